#include "colliders/collider_lists.h"

#include "command_context.h"
#include "parameters.h"

namespace flumpet {

ListRef ensureList(const host::Object& generator, int32_t paramId) {
    ListRef list = ListRef::of(generator, paramId);
    if (list.present()) return list;
    generator.document().addUndo(host::undo::ChangeSmall, generator);
    return ListRef::replaceWithEmpty(generator, paramId);
}

bool listsAsExtra(int32_t mode) {
    return mode == CMD_GENERATE_SELECTED || mode == CMD_CONNECT_SELECTED;
}

void listCollider(const host::Node& node, int32_t mode) {
    CommandContext& ctx = commandContext();
    ctx.created.insert(node);
    if (listsAsExtra(mode)) ctx.extra.insert(node);
}

} // namespace flumpet
