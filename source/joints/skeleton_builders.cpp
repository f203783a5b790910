#include "joints/skeleton_builders.h"

#include "command_context.h"
#include "host/ids.h"
#include "joints/connectors.h"
#include "joints/rig_groups.h"
#include "joints/skeleton_pairs.h"
#include "joints/springs.h"

namespace flumpet {

namespace {

bool inDocument(const host::Object& generator) {
    return generator.alive() && generator.document().alive();
}

} // namespace

bool applyDynamicsSettings(const host::Document& doc) {
    const host::Node hook = doc.sceneHook(host::hook::DynamicsSettings);
    if (!hook.alive()) return false;
    // Recorded with the rest of the build, so that undo gives the old settings back.
    doc.addUndo(host::undo::ChangeSmall, hook);
    const auto set = [&](int32_t id, const host::Value& value) {
        hook.setParameter(host::DescID(id), value);
    };
    set(host::dynamicsparam::Enabled, int32_t{1});
    set(host::dynamicsparam::CollisionsOn, int32_t{1});
    set(host::dynamicsparam::TimeScale, 1.0);
    set(host::dynamicsparam::Gravity, 1000.0);
    set(host::dynamicsparam::Substeps, 25.0);
    set(host::dynamicsparam::Iterations, 15.0);
    return true;
}

void buildSkeletonConnectors(const host::Object& generator) {
    if (!inDocument(generator)) return;
    const host::Object group = makeGroupNull(generator, "_Connectors", false);
    const BoneSlotTable& slots = commandContext().slots;
    host::Host* host = generator.host();
    for (const SkeletonPair& pair : skeletonPairs()) {
        const host::Vector pole = pairPole(generator, pair);
        const host::Object b = slots.bone(host, pair.slotB);
        createSkeletonConnector(generator, group, pair.type, slots.bone(host, pair.slotA), b,
                                singleRadians(pair.a1), singleRadians(pair.a2), singleRadians(pair.a3), b,
                                pole, pairRotation(pair), pair.flag);
    }
    if (applyDynamicsSettings(generator.document())) host->eventAdd(host::refresh::None);
}

void buildSkeletonSprings(const host::Object& generator) {
    if (!inDocument(generator)) return;
    const host::Document doc = generator.document();
    const host::Object group =
        makeGroupNull(generator, "_Springs (frame: " + std::to_string(currentFrame(doc)) + ")", false);
    const BoneSlotTable& slots = commandContext().slots;
    host::Host* host = generator.host();
    for (const SkeletonPair& pair : skeletonPairs()) {
        const host::Vector pole = pairPole(generator, pair);
        const host::Object b = slots.bone(host, pair.slotB);
        createSpring(generator, group, pair.type, slots.bone(host, pair.slotA), b, singleRadians(pair.a1),
                     singleRadians(pair.a2), singleRadians(pair.a3), b, pole, pairRotation(pair));
    }
    applyDynamicsSettings(doc);
}

} // namespace flumpet
