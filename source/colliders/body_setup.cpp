#include "colliders/body_setup.h"

#include "command_context.h"
#include "parameters.h"

namespace flumpet {

using host::DescID;

namespace {

/// Values written by both set-ups; their meaning is the dynamics host's.
constexpr int32_t DynamicValue = 2;
constexpr int32_t ShapeValue = 11;

float single(const host::Container& data, int32_t id) {
    return static_cast<float>(data.getFloat(id));
}

double percent(float fraction) {
    return static_cast<double>(fraction * 100.0F);
}

void setCommon(const host::Tag& tag, double density, double rotationMass, float c, float d) {
    namespace b = host::bodytag;
    tag.setParameter(DescID(b::Dynamic), DynamicValue);
    tag.setParameter(DescID(b::SetInitialState), int32_t{0});
    tag.setParameter(DescID(b::CollisionNoise), int32_t{0});
    tag.setParameter(DescID(b::ShapeKind), ShapeValue);
    tag.setParameter(DescID(b::Follow), int32_t{1});
    tag.setParameter(DescID(b::Density), density);
    tag.setParameter(DescID(b::RotationMass), rotationMass);
    tag.setParameter(DescID(b::Friction), static_cast<double>(c));
    tag.setParameter(DescID(b::Elasticity), static_cast<double>(d));
}

/// Follow strengths: the override ones for a listed object, the given defaults otherwise.
void writeFollowStrengths(const host::Tag& tag, const host::Container& data, const host::Object& object, int32_t positionParam,
               int32_t rotationParam) {
    const bool overridden = commandContext().overrides.contains(object);
    const float position = single(data, overridden ? SETTINGS_SELECTED_BONES_FOLLOW_POSITION : positionParam);
    const float rotation = single(data, overridden ? SETTINGS_SELECTED_BONES_FOLLOW_ROTATION : rotationParam);
    tag.setParameter(DescID(host::bodytag::FollowPosition), percent(position));
    tag.setParameter(DescID(host::bodytag::FollowRotation), percent(rotation));
}

} // namespace

void setupBoneBody(const host::Object& generator, const host::Tag& tag, float a, float b, float c, float d,
                   const host::Object& bone) {
    const host::Container data = generator.data();
    setCommon(tag, static_cast<double>(a), static_cast<double>(b), c, d);
    writeFollowStrengths(tag, data, bone, SETTINGS_CONTROL_FOLLOW_POSITION, SETTINGS_CONTROL_FOLLOW_ROTATION);
    if (!bone.insertTag(tag)) {
        tag.free();
        return;
    }
    commandContext().created.insert(tag);
    bone.document().addUndo(host::undo::NewObject, tag);
}

void setupChainBody(const host::Object& generator, const host::Tag& tag, float, float, float c, float d,
                    const host::Object& member) {
    const host::Container data = generator.data();
    setCommon(tag, static_cast<double>(single(data, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY)),
              static_cast<double>(single(data, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS)), c, d);
    writeFollowStrengths(tag, data, member, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION, ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION);
    if (!member.insertTag(tag)) {
        tag.free();
        return;
    }
    CommandContext& ctx = commandContext();
    ctx.created.insert(tag);
    ctx.extra.insert(tag);
}

} // namespace flumpet
