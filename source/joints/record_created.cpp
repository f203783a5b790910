#include "joints/record_created.h"

#include "command_context.h"
#include "host/ids.h"

namespace flumpet {

void listNew(const host::Node& node, bool alsoExtra) {
    CommandContext& ctx = commandContext();
    ctx.created.insert(node);
    if (alsoExtra) ctx.extra.insert(node);
}

void listAndRecordNew(const host::Object& object, bool alsoExtra) {
    listNew(object, alsoExtra);
    if (object.host()) host::activeDocument(*object.host()).addUndo(host::undo::NewObject, object);
}

bool insertLastOrFree(const host::Object& object, const host::Object& parent) {
    if (object.insertUnderLast(parent)) return true;
    object.free();
    return false;
}

} // namespace flumpet
