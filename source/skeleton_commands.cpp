#include "skeleton_commands.h"

#include "command_context.h"
#include "host/ids.h"
#include "joints/skeleton_builders.h"

namespace flumpet {

namespace {

/// What both commands do first: the slots, the weight tags, the undo group and the lists.
/// False when the command must stop; the undo group is then closed again (or never opened).
bool beginSkeletonCommand(const host::Object& generator) {
    host::Host& host = *generator.host();
    CommandContext& ctx = commandContext();
    ctx.slots = loadBoneSlots(generator);
    if (!ctx.slots.complete()) {
        host.consoleLine("Flumpet: Not all bones are assigned!");
        return false;
    }
    collectWeightTags(host::activeDocument(host).firstObject());
    const host::Document doc = generator.document();
    doc.startUndo();
    ctx.refreshLists(generator);
    if (!ctx.created.present()) {
        doc.endUndo();
        return false;
    }
    return true;
}

void finishSkeletonCommand(const host::Object& generator, const char* status) {
    generator.document().endUndo();
    generator.host()->eventAdd(host::refresh::None);
    generator.host()->statusText(status);
}

} // namespace

bool createSpringsCommand(const host::Object& generator) {
    if (!generator.host() || !beginSkeletonCommand(generator)) return false;
    buildSkeletonSprings(generator);
    finishSkeletonCommand(generator, "Springs Created!");
    return true;
}

} // namespace flumpet
