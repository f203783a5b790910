#include "follow_strengths.h"

#include "command_context.h"
#include "host/ids.h"
#include "host/messages.h"
#include "main.h"
#include "parameters.h"

#include <cmath>
#include <string>

namespace flumpet {

double toPercent(double fraction) { return static_cast<double>(static_cast<float>(fraction) * 100.0f); }

double toSingle(double value) { return static_cast<double>(static_cast<float>(value)); }

host::Tag bodyTagOf(const host::Node& node) {
    const host::Object object(node.host(), node.id());
    if (!node.alive() || !node.isInstanceOf(host::type::AnyObject)) return {};
    return object.tag(host::tagtype::DynamicsBody);
}

void setBodyValue(const host::Tag& tag, int32_t param, double value) {
    // A NaN or a value beyond single precision would reach the simulation as garbage.
    if (std::isfinite(value)) tag.setParameter(host::DescID(param), value);
}

void setFollow(const host::Tag& tag, double positionFraction, double rotationFraction) {
    setBodyValue(tag, host::bodytag::FollowPosition, toPercent(positionFraction));
    setBodyValue(tag, host::bodytag::FollowRotation, toPercent(rotationFraction));
}

namespace {

double readFloat(const host::Object& generator, int32_t id) { return generator.data().getFloat(id); }

host::Document activeDoc(const host::Object& generator) { return host::activeDocument(*generator.host()); }

void refresh(const host::Object& generator) { generator.host()->eventAdd(host::refresh::None); }

/// Calls fn(tag) for every body tag listed in a list.
template <typename Fn> void forEachListedBodyTag(const ListRef& list, const host::Document& doc, Fn&& fn) {
    for (int32_t i = 0; i < list.count(); ++i) {
        const host::Node node = list.at(i, doc);
        if (node.alive() && node.type() == host::tagtype::DynamicsBody) fn(host::Tag(node.host(), node.id()));
    }
}

/// Calls fn(object, bodyTag) for every listed object that has a body tag.
template <typename Fn> void forEachListedWithBody(const ListRef& list, const host::Document& doc, Fn&& fn) {
    for (int32_t i = 0; i < list.count(); ++i) {
        const host::Node node = list.at(i, doc);
        const host::Tag tag = bodyTagOf(node);
        if (tag.alive()) fn(node, tag);
    }
}

/// Calls fn(bone, bodyTag) for every filled slot holding a joint with a body tag, in walk order.
template <typename Fn> void forEachSlotJointWithBody(const host::Object& generator, Fn&& fn) {
    const BoneSlotTable& slots = commandContext().slots;
    for (int slot : slotWalkOrder()) {
        const host::Object bone = slots.bone(generator.host(), slot);
        if (!bone.alive() || bone.type() != host::type::Joint) continue;
        const host::Tag tag = bodyTagOf(bone);
        if (tag.alive()) fn(bone, tag);
    }
}

/// Old override members go back to the values of their kind: extra-list bodies to the extra
/// values, slot bones to the ordinary ones.
void resetToOrdinary(const host::Tag& tag, const CommandContext& ctx, double pos, double rot, double extraPos,
                     double extraRot) {
    if (ctx.extra.contains(tag))
        setFollow(tag, extraPos, extraRot);
    else
        setFollow(tag, pos, rot);
}

bool pushExtraValue(const host::Object& generator, int32_t paramId) {
    const CommandContext& ctx = commandContext();
    if (!ctx.extra.present()) return false;
    const host::Document doc = activeDoc(generator);
    const double value = readFloat(generator, paramId);
    forEachListedBodyTag(ctx.extra, doc, [&](const host::Tag& tag) {
        switch (paramId) {
        case ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY:
            setBodyValue(tag, host::bodytag::Density, toSingle(value));
            break;
        case ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS:
            setBodyValue(tag, host::bodytag::RotationMass, toSingle(value));
            break;
        default: {
            // Bodies whose objects are override members keep the override values.
            if (ctx.overrides.contains(tag.object())) break;
            const int32_t target = paramId == ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION
                                       ? host::bodytag::FollowPosition
                                       : host::bodytag::FollowRotation;
            setBodyValue(tag, target, toPercent(value));
        }
        }
    });
    refresh(generator);
    return true;
}

void pushSlotValue(const host::Object& generator, int32_t paramId) {
    const CommandContext& ctx = commandContext();
    if (!ctx.created.present() || ctx.created.empty()) return;
    const bool position = paramId == SETTINGS_CONTROL_FOLLOW_POSITION;
    const double ordinary = readFloat(generator, paramId);
    const double override =
        readFloat(generator, position ? SETTINGS_SELECTED_BONES_FOLLOW_POSITION : SETTINGS_SELECTED_BONES_FOLLOW_ROTATION);
    const int32_t target = position ? host::bodytag::FollowPosition : host::bodytag::FollowRotation;
    forEachSlotJointWithBody(generator, [&](const host::Object& bone, const host::Tag& tag) {
        const bool member = ctx.overrides.present() && ctx.overrides.contains(bone);
        setBodyValue(tag, target, toPercent(member ? override : ordinary));
    });
    refresh(generator);
}

bool pushOverrideValue(const host::Object& generator, int32_t paramId) {
    const CommandContext& ctx = commandContext();
    if (!ctx.created.present()) return false;
    if (ctx.created.empty() || !ctx.overrides.present()) return true;
    const double value = readFloat(generator, paramId);
    const int32_t target = paramId == SETTINGS_SELECTED_BONES_FOLLOW_POSITION ? host::bodytag::FollowPosition
                                                                              : host::bodytag::FollowRotation;
    forEachListedWithBody(ctx.overrides, activeDoc(generator), [&](const host::Node&, const host::Tag& tag) {
        setBodyValue(tag, target, toPercent(value));
    });
    refresh(generator);
    return true;
}

} // namespace

bool reactToFollowParameter(const host::Object& generator, int32_t paramId) {
    switch (paramId) {
    case ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY:
    case ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS:
    case ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION:
    case ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION: return pushExtraValue(generator, paramId);
    case SETTINGS_CONTROL_FOLLOW_POSITION:
    case SETTINGS_CONTROL_FOLLOW_ROTATION: pushSlotValue(generator, paramId); return true;
    case SETTINGS_SELECTED_BONES_FOLLOW_POSITION:
    case SETTINGS_SELECTED_BONES_FOLLOW_ROTATION: return pushOverrideValue(generator, paramId);
    default: return true;
    }
}

void addSelectedToOverrides(const host::Object& generator) {
    CommandContext& ctx = commandContext();
    const double pos = readFloat(generator, SETTINGS_CONTROL_FOLLOW_POSITION);
    const double rot = readFloat(generator, SETTINGS_CONTROL_FOLLOW_ROTATION);
    const double extraPos = readFloat(generator, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION);
    const double extraRot = readFloat(generator, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION);
    ctx.created = ListRef::of(generator, SETTINGS_CREATED_OBJECTS);
    ctx.extra = ListRef::ensure(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
    if (ctx.created.present() && !ctx.created.empty() && ctx.overrides.present()) {
        forEachListedWithBody(ctx.overrides, activeDoc(generator), [&](const host::Node&, const host::Tag& tag) {
            resetToOrdinary(tag, ctx, pos, rot, extraPos, extraRot);
        });
    }
    refresh(generator);
    applyFollowValues(generator);
}

void applyFollowValues(const host::Object& generator) {
    CommandContext& ctx = commandContext();
    const double pos = readFloat(generator, SETTINGS_SELECTED_BONES_FOLLOW_POSITION);
    const double rot = readFloat(generator, SETTINGS_SELECTED_BONES_FOLLOW_ROTATION);
    ctx.overrides = ListRef::replaceWithEmpty(generator, SETTINGS_SELECTED_BONES_SELECTED_BONES);
    for (const host::Object& o : activeDoc(generator).activeObjects(host::selection::Children)) {
        if (o.type() != host::type::Joint) continue;
        const host::Tag tag = bodyTagOf(o);
        if (!tag.alive()) continue;
        ctx.overrides.insert(o);
        setFollow(tag, pos, rot);
    }
    refresh(generator);
}

bool reactToListElementAdded(const host::Object& generator, int32_t listParam, host::NodeId element) {
    CommandContext& ctx = commandContext();
    ctx.refreshLists(generator);
    const double pos = readFloat(generator, SETTINGS_SELECTED_BONES_FOLLOW_POSITION);
    const double rot = readFloat(generator, SETTINGS_SELECTED_BONES_FOLLOW_ROTATION);
    if (listParam == SETTINGS_SELECTED_BONES_SELECTED_BONES) {
        const host::Tag tag = bodyTagOf(activeDoc(generator).resolve(element));
        if (tag.alive()) setFollow(tag, pos, rot);
    }
    if (ctx.created.present() && !ctx.created.empty() && ctx.overrides.present())
        forEachListedWithBody(ctx.overrides, activeDoc(generator),
                              [&](const host::Node&, const host::Tag& tag) { setFollow(tag, pos, rot); });
    refresh(generator);
    return true;
}

bool reactToListElementRemoved(const host::Object& generator, int32_t listParam, int32_t index) {
    if (listParam != SETTINGS_SELECTED_BONES_SELECTED_BONES) return true;
    CommandContext& ctx = commandContext();
    ctx.refreshLists(generator);
    if (!ctx.created.present() || ctx.created.empty() || !ctx.overrides.present() || ctx.overrides.empty())
        return true;
    const host::Node leaving = ctx.overrides.at(index, activeDoc(generator));
    const host::Tag tag = bodyTagOf(leaving);
    if (!tag.alive()) return true;
    resetToOrdinary(tag, ctx, readFloat(generator, SETTINGS_CONTROL_FOLLOW_POSITION),
                    readFloat(generator, SETTINGS_CONTROL_FOLLOW_ROTATION),
                    readFloat(generator, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION),
                    readFloat(generator, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION));
    return true;
}

void reapplyAllFollowValues(const host::Object& generator) {
    CommandContext& ctx = commandContext();
    ctx.refreshLists(generator);
    if (ctx.created.present() && !ctx.created.empty()) {
        const host::Container d = generator.data();
        const double pos = d.getFloat(SETTINGS_CONTROL_FOLLOW_POSITION);
        const double rot = d.getFloat(SETTINGS_CONTROL_FOLLOW_ROTATION);
        const double overridePos = d.getFloat(SETTINGS_SELECTED_BONES_FOLLOW_POSITION);
        const double overrideRot = d.getFloat(SETTINGS_SELECTED_BONES_FOLLOW_ROTATION);
        const double extraPos = d.getFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION);
        const double extraRot = d.getFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION);
        ctx.slots = loadBoneSlots(generator);
        const host::Document doc = activeDoc(generator);
        // Later rules win: slot bones, then extra bodies, then override members.
        forEachSlotJointWithBody(generator, [&](const host::Object&, const host::Tag& tag) { setFollow(tag, pos, rot); });
        forEachListedBodyTag(ctx.extra, doc, [&](const host::Tag& tag) { setFollow(tag, extraPos, extraRot); });
        forEachListedWithBody(ctx.overrides, doc,
                              [&](const host::Node&, const host::Tag& tag) { setFollow(tag, overridePos, overrideRot); });
    }
    refresh(generator);
}

bool reactToDocumentEvent(const host::Object& generator, int32_t kind) {
    if (kind == host::docevent::ResendValuesA || kind == host::docevent::ResendValuesB) {
        static constexpr int32_t resent[] = {ROPE_RADIUS,
                                             SETTINGS_CONTROL_FOLLOW_POSITION,
                                             SETTINGS_CONTROL_FOLLOW_ROTATION,
                                             SETTINGS_SELECTED_BONES_FOLLOW_POSITION,
                                             SETTINGS_SELECTED_BONES_FOLLOW_ROTATION,
                                             ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION,
                                             ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION,
                                             ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY,
                                             ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS};
        for (int32_t id : resent) {
            const host::DescID descid(host::DescLevel{id, host::datatype::Real, generator.type()});
            host::DescriptionPostSetValue record{&descid};
            generator.message(host::msg::DescriptionPostSetParameter, &record);
        }
    } else if (kind == host::docevent::StampVersion) {
        generator.setParameter(host::DescID(VERSION_TEXT), std::to_string(ModuleVersion));
    }
    return true;
}

} // namespace flumpet
