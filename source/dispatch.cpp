#include "dispatch.h"

#include "bone_slots.h"
#include "command_context.h"
#include "connect_selected.h"
#include "follow_strengths.h"
#include "help.h"
#include "host/ids.h"
#include "host/messages.h"
#include "parameters.h"
#include "rope/bake_cache.h"
#include "rope/rope_build.h"
#include "rope/rope_update.h"
#include "selection_commands.h"
#include "skeleton_commands.h"

namespace flumpet {

namespace {

bool enabled(const host::Object& generator) {
    host::Value value;
    if (!generator.getParameter(host::DescID(host::param::GeneratorEnabled), value)) return true;
    // Stored as a bool or as an integer: 0 is off either way.
    return host::switchValue(value, true);
}

void refresh(const host::Object& generator) { generator.host()->eventAdd(host::refresh::None); }

bool onButton(const host::Object& generator, const host::DescriptionCommand* command) {
    if (!command || !enabled(generator)) return true;
    CommandContext& ctx = commandContext();
    ctx.overrides = ListRef::of(generator, SETTINGS_SELECTED_BONES_SELECTED_BONES);
    const int32_t button = command->id.firstId();
    switch (button) {
    case CMD_CONNECT_SELECTED: return connectSelected(generator);
    case BODY_ASSIGN_SELECTED:
    case ARM_A_ASSIGN_SELECTED:
    case ARM_B_ASSIGN_SELECTED:
    case LEG_A_ASSIGN_SELECTED:
    case LEG_B_ASSIGN_SELECTED:
        assignChainFromSelection(button, generator);
        refresh(generator);
        return true;
    case CMD_CREATE: return createCommand(generator);
    case CMD_CREATE_SPRINGS: return createSpringsCommand(generator);
    case CMD_GENERATE_SELECTED: return generateSelectedCommand(generator);
    case CMD_SIMPLE_SOLVER: return simpleSolverCommand(generator);
    case CMD_GENERATE_COLLIDERS: return generateCollidersCommand(generator);
    case CMD_BAKE:
    case CMD_CLEAR_CACHE: return bakeButton(generator, button == CMD_BAKE);
    case CMD_DELETE_CREATED:
        ctx.created = ListRef::of(generator, SETTINGS_CREATED_OBJECTS);
        deleteListed(generator, ctx.created);
        return true;
    case CMD_DELETE_EXTRA:
        ctx.extra = ListRef::of(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
        deleteListed(generator, ctx.extra);
        return true;
    case SETTINGS_CONTROL_ADD_SELECTED: addSelectedToOverrides(generator); return true;
    case CMD_OPEN_DOCS:
    case CMD_OPEN_SITE:
        runScript(documentationButtonScript(button), host::activeDocument(*generator.host()));
        return true;
    default: return true;
    }
}

bool onParameterSet(const host::Object& generator, const host::DescriptionPostSetValue* record) {
    if (!record || !record->descid || !enabled(generator)) return true;
    const int32_t id = record->descid->firstId();
    CommandContext& ctx = commandContext();
    ctx.slots = loadBoneSlots(generator);
    ctx.refreshLists(generator);
    bool answer = true;
    if (generator.data().getBool(ADDITIONAL_SETTINGS_CONTROL_BOOL)) {
        if (id == ROPE_JOINTS_AMOUNT || id == ROPE_PIECE_INSTANCE) {
            buildRope(generator);
            refresh(generator);
        } else if (id == ROPE_AMOUNT_DISTRIBUTION || id == ROPE_RADIUS || id == ROPE_RADIUS_SCALE) {
            updateRope(generator, id);
            refresh(generator);
        }
        for (int32_t extraParam : {ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS,
                                   ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION})
            if (id == extraParam) answer = reactToFollowParameter(generator, id) && answer;
    }
    for (int32_t slotParam : {SETTINGS_CONTROL_FOLLOW_POSITION, SETTINGS_CONTROL_FOLLOW_ROTATION,
                              SETTINGS_SELECTED_BONES_FOLLOW_POSITION, SETTINGS_SELECTED_BONES_FOLLOW_ROTATION})
        if (id == slotParam) answer = reactToFollowParameter(generator, id) && answer;
    return answer;
}

bool onMenuCreation(const host::Object& generator) {
    host::Host& host = *generator.host();
    const host::Container state = host.inputState(host::input::KeyboardDevice, host::input::QualifierChannel);
    const bool keyHeld = state.getInt(host::input::ValueEntry) != 0;
    const host::Object active = host::activeDocument(host).activeObject();
    if (keyHeld && active.alive() && active.type() == host::type::Spline) {
        generator.setParameter(host::DescID(CONNECTOR_MODE), RopeMode);
        generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION), 0.0);
        generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION), 0.0);
    }
    host::Container data = generator.data();
    data.setInt(host::param::MenuCreated, 1);
    generator.setData(data);
    return true;
}

bool onDragAndDropCheck(const host::Object& generator, host::DescriptionCheckDragAndDrop* check) {
    if (!check) return false;
    if (check->id.firstId() != SETTINGS_RETARGET_CHARACTER_MESH) return true;
    if (check->element == host::NoNode) return false;
    check->result = generator.host()->isInstanceOf(check->element, host::type::Polygon);
    return true;
}

} // namespace

bool dispatchMessage(const host::Object& generator, int32_t type, void* data) {
    if (!generator.host()) return false;
    switch (type) {
    case host::msg::DescriptionCommand:
        return onButton(generator, static_cast<const host::DescriptionCommand*>(data));
    case host::msg::DescriptionPostSetParameter:
        return onParameterSet(generator, static_cast<const host::DescriptionPostSetValue*>(data));
    case host::msg::MenuPrepare: return onMenuCreation(generator);
    case host::msg::DragAndDropCheck:
        return onDragAndDropCheck(generator, static_cast<host::DescriptionCheckDragAndDrop*>(data));
    case host::msg::DocumentEvent: {
        if (!data) return false;
        return reactToDocumentEvent(generator, static_cast<const host::DocumentEvent*>(data)->kind);
    }
    case host::msg::ListElementAdded: {
        const auto* added = static_cast<const host::ListElementAdded*>(data);
        if (!added || !enabled(generator)) return true;
        return reactToListElementAdded(generator, added->id.firstId(), added->element);
    }
    case host::msg::ListElementRemoved: {
        const auto* removed = static_cast<const host::ListElementRemoved*>(data);
        if (!removed || !enabled(generator)) return true;
        return reactToListElementRemoved(generator, removed->id.firstId(), removed->index);
    }
    case host::msg::ReapplyAll: {
        const auto* request = static_cast<const host::ReapplyRequest*>(data);
        if (request && request->element != host::NoNode) reapplyAllFollowValues(generator);
        return true;
    }
    default: return true;
    }
}

void checkGeneratorDirty(const host::Object& generator) {
    host::Object child = generator.firstChild();
    while (child.alive() && child.type() != host::type::Spline) child = child.next();
    if (!child.alive()) return;
    // Every flag is checked (and so cleared) even when an earlier one already answers, so that
    // one edit makes one update.
    bool changed = child.changedSinceLastCheck(host::dirty::Data);
    changed = child.changedSinceLastCheck(host::dirty::Matrix) || changed;
    changed = child.changedSinceLastCheck(host::dirty::Cache) || changed;
    if (!changed) return;
    const host::DescID id(host::DescLevel{ROPE_AMOUNT_DISTRIBUTION, host::datatype::SplineCurve, generator.type()});
    host::DescriptionPostSetValue record{&id};
    generator.message(host::msg::DescriptionPostSetParameter, &record);
}

} // namespace flumpet
