#include "joints/chain_builder.h"

#include "host/ids.h"
#include "joints/connectors.h"
#include "joints/joint_frames.h"
#include "joints/rig_bodies.h"
#include "joints/rig_groups.h"
#include "joints/skeleton_chain.h"
#include "joints/skeleton_pairs.h"
#include "joints/springs.h"
#include "parameters.h"
#include "random.h"

namespace flumpet {

namespace {

/// Joins an inner chain joint to its parent in the scene with what the connector mode asks for.
void joinInner(const host::Object& generator, const host::Object& group, int32_t mode,
               const host::Object& element, const host::Object& next) {
    const host::Object parent = element.parent();
    switch (mode) {
    case 0:
        createConnector(generator, host::connectortype::Hinge, parent, element, singleRadians(80),
                        singleRadians(-20), singleRadians(100), element, next,
                        hingePolePoint(element, parent, next), {}, 1, group);
        return;
    case 1:
    case 2:
    case 3: {
        const int32_t type = mode == 1   ? host::connectortype::Ragdoll
                             : mode == 2 ? host::connectortype::Planar
                                         : host::connectortype::Slider;
        createConnector(generator, type, parent, element, singleRadians(20), singleRadians(60),
                        singleRadians(120), element, next, polePoint(generator, element, next), {}, 0, group);
        return;
    }
    case 4:
        markAsSpringGroup(group, generator, host::activeDocument(*generator.host()), randomHue());
        createBendTwistSpring(generator, host::springkind::Bend, parent, element, element, next, group);
        return;
    case 5:
        createBendTwistSpring(generator, host::springkind::Twist, parent, element, element, next, element);
        // The twist springs live under their joints; the group is not wanted.
        deleteGroup(group);
        return;
    default:
        return;
    }
}

} // namespace

void buildChainConnectors(std::vector<JointChain> chains, const host::Object& generator, int32_t commandId) {
    const host::Document doc = generator.document();
    if (!generator.alive() || !doc.alive()) return;
    doc.startUndo();
    const host::Object group = makeGroupNull(generator, "_AdvConnectors", true);
    for (const JointChain& chain : chains) {
        const size_t n = chain.size();
        for (size_t k = 0; k < n; ++k) {
            const host::Object& element = chain[k];
            const host::Object& next = k + 1 < n ? chain[k + 1] : element;
            setSuccessorOverride(next);
            const int32_t mode = generator.data().getInt(CONNECTOR_MODE, 0);
            if (k > 0 && k + 1 < n) joinInner(generator, group, mode, element, next);
            if (k + 1 < n && mode != 4 && mode != 5) giveChainBody(generator, element, commandId, true);
        }
    }
    // Closed here, so that one undo takes back the whole build.
    doc.endUndo();
}

} // namespace flumpet
