#include "joint_rig.h"
#include "joints/joint_frames.h"

#include <numbers>

namespace flumpet::test {
namespace {

using host::Vector;

// --- dominantChildAxis -------------------------------------------------------------------------

struct AxisCase {
    Vector child; // local position under the bone (which sits at its parent's origin)
    int32_t expected;
};

class DominantChildAxis : public testing::TestWithParam<AxisCase> {};

TEST_P(DominantChildAxis, PicksTheSignedAxisTheChildReachesFurthestAlong) {
    SceneFixture f;
    const host::Object bone = f.add(host::type::Joint, "Bone");
    const host::Object child = f.add(host::type::Joint, "Child", bone);
    child.setLocalPosition(GetParam().child);
    EXPECT_EQ(dominantChildAxis(bone, child), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DominantChildAxis,
                         testing::Values(AxisCase{{2, 0, 0}, 0}, AxisCase{{0, 2, 0}, 1},
                                         AxisCase{{0.1, 0.2, 3}, 2}, AxisCase{{-4, 1, 0}, 3},
                                         AxisCase{{0, -1, 0}, 4}, AxisCase{{0, 0, -5}, 5},
                                         AxisCase{{3, 3, 0}, 0},   // tie: the lower index
                                         AxisCase{{0, -2, -2}, 4}, // tie between -Y and -Z
                                         AxisCase{{0, 0, 0}, 0})); // at the parent's origin

TEST(DominantChildAxis, ABoneWhoseOffsetEqualsItsChildsStillFindsTheAxis) {
    SceneFixture f;
    const host::Object parent = f.add(host::type::Joint, "Parent");
    const host::Object bone = f.add(host::type::Joint, "Bone", parent);
    const host::Object child = f.add(host::type::Joint, "Child", bone);
    bone.setLocalPosition({0, 0, 4});
    child.setLocalPosition({0, 0, 4});
    EXPECT_EQ(dominantChildAxis(bone, child), 2);
}

TEST(DominantChildAxisMissing, IsZero) {
    SceneFixture f;
    const host::Object bone = f.add(host::type::Joint, "Bone");
    host::Object child = f.add(host::type::Joint, "Child", bone);
    child.setLocalPosition({0, 0, -3});
    EXPECT_EQ(dominantChildAxis(bone, host::Object{}), 0);
    EXPECT_EQ(dominantChildAxis(host::Object{}, child), 0);
}

// --- polePoint ---------------------------------------------------------------------------------

TEST(PolePoint, TenUnitsAlongTheBonesYWhenTheChildLiesOnItsZ) {
    JointRig f;
    const host::Object bone = f.joint("Spine1");
    f.joint("Spine2").setLocalPosition({0, 0, 2});
    // Turn the bone so its own axes differ from the world's.
    bone.setLocalRotation({0.3, -0.4, 0.5});
    const host::Matrix m = bone.globalMatrix();
    EXPECT_TRUE(near(polePoint(f.generator, bone, f.joint("Spine2")), m.off + m.v2 * 10.0, 1e-12));
    // Without a child the chain successor (the same joint) decides.
    EXPECT_TRUE(near(polePoint(f.generator, bone, host::Object{}), m.off + m.v2 * 10.0, 1e-12));
}

TEST(PolePoint, TenUnitsAlongTheBonesZOtherwise) {
    JointRig f;
    const host::Object bone = f.joint("Forearm_L");
    bone.setLocalRotation({1.0, 0.2, 0.0});
    const host::Matrix m = bone.globalMatrix();
    EXPECT_TRUE(near(polePoint(f.generator, bone, host::Object{}), m.off + m.v3 * 10.0, 1e-12));
    EXPECT_EQ(polePoint(f.generator, host::Object{}, bone), (Vector{}));
}

// --- hingePolePoint ----------------------------------------------------------------------------

struct Limb : SceneFixture {
    host::Object upper = add(host::type::Null, "Hip");
    host::Object middle = add(host::type::Null, "Knee");
    host::Object lower = add(host::type::Null, "Ankle");
    Limb(Vector hip, Vector knee, Vector ankle) {
        upper.setLocalPosition(hip);
        middle.setLocalPosition(knee);
        lower.setLocalPosition(ankle);
    }
    Vector pole() const { return hingePolePoint(middle, upper, lower); }
};

/// Distance of p from the line through a along direction d.
double offLine(const Vector& p, const Vector& a, const Vector& d) {
    return host::length(host::cross(p - a, host::normalise(d)));
}

TEST(HingePolePoint, StraightLimbPointsToTheUpperSide) {
    Limb limb({0, 2, 0}, {0, 0, 0}, {0, -3, 0});
    // 1.01 lower-segment lengths from the knee, toward the hip.
    EXPECT_TRUE(near(limb.pole(), (Vector{0, 3.03, 0}), 1e-5));
}

TEST(HingePolePoint, BentLimbLiesOnTheLineThroughTheKneeParallelToHipAnkle) {
    Limb limb({0, 1, 0}, {0, 0, 0}, {1, -1, 0});
    // cos(theta) = -3 / sqrt(10), |D| = 1.01 sqrt(2), |C - B| = sqrt(5): k = -1.01 * 2 / 3.
    const double k = -1.01 * 2.0 / 3.0;
    EXPECT_TRUE(near(limb.pole(), (Vector{1, -2, 0} * k), 1e-5));
}

TEST(HingePolePoint, BelowARightAngleItLiesOnTheLowerSide) {
    Limb limb({2, -3, 0}, {0, 0, 0}, {0, -2, 0});
    const Vector hipToAnkle = Vector{0, -2, 0} - Vector{2, -3, 0};
    const Vector pole = limb.pole();
    EXPECT_LT(offLine(pole, {}, hipToAnkle), 1e-5);
    EXPECT_GT(host::dot(pole, hipToAnkle), 0.0);
}

TEST(HingePolePoint, RightAngleStaysFiniteOnTheLine) {
    // (C - A) . (B - C) = 0: the single-precision angle keeps the cosine off zero.
    Limb limb({1, -1, 0}, {0, 0, 0}, {0, -1, 0});
    const Vector pole = limb.pole();
    EXPECT_TRUE(host::isFinite(pole));
    EXPECT_EQ(pole.y, 0.0);
    EXPECT_EQ(pole.z, 0.0);
    EXPECT_GT(std::abs(pole.x), 1e6);
}

TEST(HingePolePoint, CoincidingUpperAndLowerFallBackToThePlainPolePoint) {
    Limb limb({0, -1, 0}, {0, 0, 0}, {0, -1, 0});
    limb.middle.setLocalRotation({0.5, 0, 0});
    const Vector pole = limb.pole();
    EXPECT_TRUE(host::isFinite(pole));
    const host::Matrix m = limb.middle.globalMatrix();
    // The lower joint is not the middle one's child: its local position (0, -1, 0) gives -Y,
    // so the point lies 10 units along the middle joint's Z axis.
    EXPECT_TRUE(near(pole, m.off + m.v3 * 10.0, 1e-12));
}

TEST(HingePolePoint, MissingObjectGivesTheOrigin) {
    Limb limb({0, 1, 0}, {0, 0, 0}, {1, -1, 0});
    EXPECT_EQ(hingePolePoint(limb.middle, host::Object{}, limb.lower), (Vector{}));
    EXPECT_EQ(hingePolePoint(host::Object{}, limb.upper, limb.lower), (Vector{}));
    EXPECT_EQ(hingePolePoint(limb.middle, limb.upper, host::Object{}), (Vector{}));
}

// --- aimFrameOnAxis ----------------------------------------------------------------------------

const Vector& axisOf(const host::Matrix& m, int32_t axis) {
    return axis == 0 ? m.v1 : axis == 1 ? m.v2 : m.v3;
}

class AimFrame : public testing::TestWithParam<int32_t> {};

TEST_P(AimFrame, PrimaryAxisRunsToTheEndAndTheFrameIsAMirror) {
    const int32_t axis = GetParam();
    const Vector start{1, 2, 3}, end{4, 6, 3}, up{0, 0, 1};
    const host::Matrix m = aimFrameOnAxis(start, end, up, axis);
    EXPECT_EQ(m.off, start);
    EXPECT_TRUE(near(axisOf(m, axis), (Vector{0.6, 0.8, 0}), 1e-12));
    for (const Vector& v : {m.v1, m.v2, m.v3})
        EXPECT_NEAR(host::length(v), 1.0, 1e-12);
    EXPECT_NEAR(host::dot(m.v1, m.v2), 0.0, 1e-12);
    EXPECT_NEAR(host::dot(m.v2, m.v3), 0.0, 1e-12);
    EXPECT_NEAR(host::dot(m.v1, m.v3), 0.0, 1e-12);
    EXPECT_NEAR(m.determinant(), -1.0, 1e-12);
    // The axis that is built from the up vector is perpendicular to it.
    const Vector& fromUp = axis == 0 ? m.v3 : axis == 1 ? m.v1 : m.v2;
    EXPECT_NEAR(host::dot(fromUp, up), 0.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Axes, AimFrame, testing::Values(0, 1, 2));

TEST(AimFrameDegenerate, StartAtEndGivesZeroAxes) {
    for (int32_t axis : {0, 1, 2}) {
        const host::Matrix m = aimFrameOnAxis({1, 1, 1}, {1, 1, 1}, {0, 1, 0}, axis);
        EXPECT_EQ(m, (host::Matrix{{1, 1, 1}, {}, {}, {}})) << axis;
    }
}

TEST(AimFrameDegenerate, UpAlongTheAimGivesZeroSecondaryAxes) {
    for (int32_t axis : {0, 1, 2}) {
        const host::Matrix m = aimFrameOnAxis({}, {0, 2, 0}, {0, -1, 0}, axis);
        EXPECT_EQ(axisOf(m, axis), (Vector{0, 1, 0}));
        EXPECT_EQ(axisOf(m, (axis + 1) % 3), (Vector{}));
        EXPECT_EQ(axisOf(m, (axis + 2) % 3), (Vector{}));
    }
}

TEST(AimFrameDegenerate, OtherAxisValuesKeepIdentityAxes) {
    const host::Matrix m = aimFrameOnAxis({5, 0, 0}, {0, 3, 0}, {0, 0, 1}, 3);
    EXPECT_EQ(m, (host::Matrix{{5, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
}

TEST(FixesRoll, OnlyAnUpClearlyAcrossTheAim) {
    const Vector aim{0, 2, 0};
    EXPECT_TRUE(fixesRoll(aim, {0, 0, 1}));
    EXPECT_TRUE(fixesRoll(aim, {1e-3, 1, 0}));
    EXPECT_FALSE(fixesRoll(aim, {0, -3, 0}));
    EXPECT_FALSE(fixesRoll(aim, {1e-7, 1, 0})); // rounding noise must not pick the roll
    EXPECT_FALSE(fixesRoll(aim, {}));
    EXPECT_FALSE(fixesRoll({}, {0, 0, 1}));
    EXPECT_FALSE(fixesRoll(aim, {std::numeric_limits<double>::quiet_NaN(), 0, 1}));
}

} // namespace
} // namespace flumpet::test
