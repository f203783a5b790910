#include "command_context.h"

#include "host/ids.h"
#include "parameters.h"

#include <algorithm>
#include <array>

namespace flumpet {

void CommandContext::refreshLists(const host::Object& generator) {
    created = ListRef::of(generator, SETTINGS_CREATED_OBJECTS);
    extra = ListRef::of(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
    overrides = ListRef::of(generator, SETTINGS_SELECTED_BONES_SELECTED_BONES);
}

CommandContext& commandContext() {
    static CommandContext context;
    return context;
}

namespace {
void walkWeightTags(host::Object object, std::vector<host::NodeId>& out) {
    for (; object.alive(); object = object.next()) {
        const host::Tag tag = object.tag(host::tagtype::Weight);
        if (tag.alive()) out.push_back(tag.id());
        walkWeightTags(object.firstChild(), out);
    }
}
} // namespace

void collectWeightTags(const host::Object& start) {
    auto& tags = commandContext().weightTags;
    tags.clear();
    walkWeightTags(start, tags);
}

void deleteListed(const host::Object& generator, const ListRef& list) {
    if (!list.present() || !generator.host()) return;
    // Only what the builders make; anything else that found its way into a list stays.
    static constexpr std::array<int32_t, 12> deletable{
        host::type::Connector,  host::type::Null,     host::type::Cube,         host::type::SubdivisionSurface,
        host::type::Spring,     host::tagtype::Protection, host::type::Sphere,  host::type::Cylinder,
        host::tagtype::DynamicsBody, host::tagtype::Constraint, host::type::Tracer, host::type::Polygon};
    host::Host& host = *generator.host();
    const host::Document doc = host::activeDocument(host);
    doc.startUndo();
    for (int32_t i = 0; i < list.count(); ++i) {
        const host::Node node = list.at(i, doc);
        if (!node.alive() || std::find(deletable.begin(), deletable.end(), node.type()) == deletable.end()) continue;
        doc.addUndo(host::undo::DeleteObject, node);
        node.remove();
        node.free();
    }
    doc.endUndo();
    host.statusText("Flumpet: Deleted!");
}

} // namespace flumpet
