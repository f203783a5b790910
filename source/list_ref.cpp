#include "list_ref.h"

#include "host/ids.h"

namespace flumpet {

ListRef ListRef::of(const host::Object& generator, int32_t paramId) {
    ListRef ref;
    ref.generator_ = generator;
    ref.paramId_ = paramId;
    host::Value value;
    if (generator.getParameter(host::DescID(paramId), value)) {
        if (const auto* list = std::get_if<host::InExcludeList>(&value)) {
            ref.present_ = true;
            ref.list_ = *list;
        }
    }
    return ref;
}

ListRef ListRef::ensure(const host::Object& generator, int32_t paramId) {
    ListRef ref = of(generator, paramId);
    return ref.present() ? ref : replaceWithEmpty(generator, paramId);
}

ListRef ListRef::ensureRecorded(const host::Object& generator, int32_t paramId) {
    ListRef ref = of(generator, paramId);
    if (ref.present()) return ref;
    generator.document().addUndo(host::undo::ChangeSmall, generator);
    return replaceWithEmpty(generator, paramId);
}

ListRef ListRef::replaceWithEmpty(const host::Object& generator, int32_t paramId) {
    generator.setParameter(host::DescID(paramId), host::InExcludeList{});
    return of(generator, paramId);
}

host::Node ListRef::at(int32_t index, const host::Document& doc) const {
    const host::NodeId id = list_.idAt(index);
    if (id == host::NoNode || !doc.host() || doc.host()->documentOf(id) != doc.id()) return {};
    return {doc.host(), id};
}

void ListRef::insert(const host::Node& node) {
    if (!present_ || node.id() == host::NoNode) return;
    // Inside an undo group the list change is undone together with the objects it names.
    generator_.document().addUndo(host::undo::ChangeSmall, generator_);
    list_.insert(node.id());
    generator_.setParameter(host::DescID(paramId_), list_);
}

} // namespace flumpet
