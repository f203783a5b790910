#include "selection_commands.h"

#include "colliders/box_fitting.h"
#include "colliders/create_collider.h"
#include "command_context.h"
#include "host/ids.h"
#include "joints/chain_builder.h"
#include "parameters.h"
#include "rope/rope_build.h"
#include "rope/selected_chains.h"

#include <vector>

namespace flumpet {

namespace {

/// The selected objects of a type in the active document, selected children included.
std::vector<host::Object> selectedOfType(host::Host& host, int32_t type) {
    std::vector<host::Object> out;
    for (const host::Object& o : host::activeDocument(host).activeObjects(host::selection::Children))
        if (o.type() == type) out.push_back(o);
    return out;
}

/// Makes the extra-objects list and then the created-objects list where the generator holds
/// none (recorded in the open undo group), and loads both into the command context.
void ensureBuilderLists(const host::Object& generator) {
    ListRef::ensureRecorded(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
    ListRef::ensureRecorded(generator, SETTINGS_CREATED_OBJECTS);
    commandContext().refreshLists(generator);
}

bool holdsBothLists(const host::Object& generator) {
    return ListRef::of(generator, ADDITIONAL_InEx_CREATED_OBJECTS).present() &&
           ListRef::of(generator, SETTINGS_CREATED_OBJECTS).present();
}

void refresh(const host::Object& generator) { generator.host()->eventAdd(host::refresh::None); }

} // namespace

bool generateSelectedCommand(const host::Object& generator) {
    if (!generator.host()) return true;
    host::Host& host = *generator.host();
    collectWeightTags(host::activeDocument(host).firstObject());
    if (!holdsBothLists(generator)) {
        // The builders open their own groups; the lists made here get one of their own, so that
        // undoing everything gives back a generator without them.
        const host::Document doc = generator.document();
        doc.startUndo();
        ensureBuilderLists(generator);
        doc.endUndo();
    }
    commandContext().refreshLists(generator);
    if (generator.data().getInt(CONNECTOR_MODE) == RopeMode) buildRope(generator);
    std::vector<JointChain> chains;
    collectSelectedChains(host, chains);
    buildChainConnectors(std::move(chains), generator, CMD_GENERATE_SELECTED);
    refresh(generator);
    return true;
}

bool simpleSolverCommand(const host::Object& generator) {
    if (!generator.host()) return true;
    host::Host& host = *generator.host();
    const std::vector<host::Object> cubes = selectedOfType(host, host::type::Cube);
    const host::Document doc = generator.document();
    doc.startUndo();
    for (const host::Object& cube : cubes) simpleSolver(cube);
    doc.endUndo();
    host.statusText("Simple_Solver!");
    refresh(generator);
    return true;
}

bool generateCollidersCommand(const host::Object& generator) {
    if (!generator.host()) return true;
    host::Host& host = *generator.host();
    const host::Document doc = generator.document();
    // Opened first: the lists it may have to make are part of the command.
    doc.startUndo();
    ensureBuilderLists(generator);
    const std::vector<host::Object> cubes = selectedOfType(host, host::type::Cube);
    const std::vector<host::Object> joints = selectedOfType(host, host::type::Joint);
    CommandContext& ctx = commandContext();
    ctx.slots = loadBoneSlots(generator);
    collectWeightTags(generator);
    for (const host::Object& cube : cubes) createCollider(generator, cube, {}, CMD_GENERATE_COLLIDERS);
    for (const host::Object& joint : joints)
        if (joint.firstChild().alive()) createCollider(generator, {}, joint, CMD_GENERATE_COLLIDERS);
    doc.endUndo();
    ctx.weightTags.clear();
    host.statusText("GeRay_Solver!");
    refresh(generator);
    return true;
}

} // namespace flumpet
