#include "joints/skeleton_pairs.h"

#include "command_context.h"
#include "joints/joint_frames.h"

#include <numbers>

namespace flumpet {

namespace {

// Slots of the template (bone_slots.h).
// clang-format off
enum Slot : int {
    Body1, Body2, Body3, Body4, Body5, Body6,
    ArmA1, ArmA2, ArmA3, ArmA4,
    LegA1, LegA2, LegA3, LegA4,
    ArmB1, ArmB2, ArmB3, ArmB4,
    LegB1, LegB2, LegB3, LegB4,
};

using P = SkeletonPair::Pole;
constexpr int None = -1;

constexpr std::array<SkeletonPair, 21> pairs{{
    {Body1, Body2, 3, 20, 60, 120, P::OfBone, None, None, 0, 0},
    {Body2, Body3, 3, 20, 60, 120, P::OfBone, None, None, 0, 0},
    {Body3, Body4, 3, 20, 60, 120, P::OfBone, None, None, 0, 0},
    {Body4, Body5, 3, 30, 60, 120, P::OfBone, None, None, 0, 0},
    {Body5, Body6, 3, 50, 40, 140, P::OfBone, None, None, 0, 0},
    {Body1, LegA1, 3, 90, 25, 155, P::OfBone, None, None, -17, 0},
    {Body1, LegB1, 3, 90, 25, 155, P::OfBone, None, None, -17, 0},
    {ArmA1, ArmA2, 3, 50, 20, 160, P::OfBone, None, None, 0, 0},
    {ArmA3, ArmA4, 3, 50, 20, 160, P::OfBone, None, None, 0, 0},
    {ArmB1, ArmB2, 3, 50, 20, 160, P::OfBone, None, None, 0, 0},
    {ArmB3, ArmB4, 3, 50, 20, 160, P::OfBone, None, None, 0, 0},
    {Body4, ArmA1, 3, 50, 70, 110, P::OfBone, None, None, 0, 0},
    {Body4, ArmB1, 3, 50, 70, 110, P::OfBone, None, None, 0, 0},
    {LegA2, LegA3, 3, 60, 60, 120, P::OfBone, None, None, -45, 0},
    {LegB2, LegB3, 3, 60, 60, 120, P::OfBone, None, None, -45, 0},
    {LegA1, LegA2, 0, 80, 0, 155, P::Hinge, LegA1, LegA3, 0, 1},
    {LegB1, LegB2, 0, 80, 0, 155, P::Hinge, LegB1, LegB3, 0, 1},
    {ArmA2, ArmA3, 0, 3, 0, 160, P::Hinge, ArmA2, ArmA4, 0, 1},
    {ArmB2, ArmB3, 0, 3, 0, 160, P::Hinge, ArmB2, ArmB4, 0, 1},
    {LegA3, LegA4, 0, 3, -70, 90, P::HingeToFirstChild, LegA3, None, 0, 1},
    {LegB3, LegB4, 0, 3, -70, 90, P::HingeToFirstChild, LegB3, None, 0, 1},
}};
// clang-format on

double toRadians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

} // namespace

const std::array<SkeletonPair, 21>& skeletonPairs() {
    return pairs;
}

float singleRadians(double degrees) {
    return static_cast<float>(toRadians(degrees));
}

host::Vector pairRotation(const SkeletonPair& pair) {
    return {0.0, toRadians(pair.pitch), 0.0};
}

host::Vector pairPole(const host::Object& generator, const SkeletonPair& pair) {
    const BoneSlotTable& slots = commandContext().slots;
    host::Host* host = generator.host();
    const host::Object bone = slots.bone(host, pair.slotB);
    switch (pair.pole) {
    case SkeletonPair::Pole::Hinge:
        return hingePolePoint(bone, slots.bone(host, pair.hingeUpper), slots.bone(host, pair.hingeLower));
    case SkeletonPair::Pole::HingeToFirstChild:
        return hingePolePoint(bone, slots.bone(host, pair.hingeUpper), bone.firstChild());
    case SkeletonPair::Pole::OfBone:
        break;
    }
    return polePoint(generator, bone, {});
}

} // namespace flumpet
