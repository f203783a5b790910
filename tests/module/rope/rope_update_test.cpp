#include "dispatch.h"
#include "rope/rope_update.h"
#include "rope_fixture.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

using host::Vector;

/// A built straight rope of three pieces with the live switch on, so parameter changes reach it.
struct LiveRope : RopeFixture {
    explicit LiveRope(bool endsFixed = true) : RopeFixture(3, endsFixed) {
        EXPECT_TRUE(build());
        generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_BOOL), true);
    }
    std::vector<host::Matrix> placements() const {
        std::vector<host::Matrix> out;
        for (const host::Object& o : allObjects(doc)) out.push_back(o.globalMatrix());
        return out;
    }
    double jointY(int32_t n) const { return named("Path_joint_" + std::to_string(n)).globalPosition().y; }
};

TEST(RopeUpdate, TheRadiusResizesJointsAndConesAndMovesNothing) {
    LiveRope f;
    const host::SplineCurve scale = f.curve({{0, 0.5}, {1, 3.0}}); // above 1 it is clamped to 1
    f.generator.setParameter(host::DescID(ROPE_RADIUS_SCALE), scale);
    const std::vector<host::Matrix> before = f.placements();
    ASSERT_TRUE(f.set(ROPE_RADIUS, 2.0));

    EXPECT_EQ(f.placements(), before);
    for (int32_t n = 0; n <= 3; ++n) {
        const double f0 = std::min(scale.valueAt(n / 3.0), 1.0), f1 = std::min(scale.valueAt((n + 1) / 3.0), 1.0);
        EXPECT_DOUBLE_EQ(f.radius(f.named("Path_joint_" + std::to_string(n)), host::primitive::SphereRadius), 2.0 * f0);
        if (n == 3) continue;
        const host::Object cone = f.named("Path_cone_" + std::to_string(n));
        EXPECT_DOUBLE_EQ(f.radius(cone, host::primitive::ConeTopRadius), 2.0 * f0);
        EXPECT_DOUBLE_EQ(f.radius(cone, host::primitive::ConeBottomRadius), 2.0 * f1);
        EXPECT_NEAR(f.radius(cone, host::primitive::ConeHeight), 100.0, 1e-9);
    }
    EXPECT_DOUBLE_EQ(f.radius(f.named("Path_joint_3"), host::primitive::SphereRadius), 2.0);
    // The controllers keep the size the build gave them.
    EXPECT_DOUBLE_EQ(f.radius(f.named("Generator_Controller_Path_End"), host::nullparam::Radius), 5.0);
}

TEST(RopeUpdate, TheDistributionMovesThePiecesAlongTheSplineAndTheControllersWithThem) {
    LiveRope f;
    ASSERT_TRUE(f.set(ROPE_AMOUNT_DISTRIBUTION, f.curve({{0, 0.1}, {1, 0.1}})));

    const double ys[] = {30, 130, 230, 300};
    for (int32_t n = 0; n <= 3; ++n) EXPECT_NEAR(f.jointY(n), ys[n], 1e-4) << n;
    const host::Object start = f.named("Generator_Controller_Path_Start");
    EXPECT_NEAR(start.globalPosition().y, 30, 1e-4);
    EXPECT_NEAR(start.globalMatrix().v2.y, 1.0, 1e-9); // aims up the rope
    EXPECT_NEAR(f.named("Generator_Controller_Path_End").globalPosition().y, 300, 1e-4);
    for (int32_t n = 0; n < 3; ++n) {
        const host::Object cone = f.named("Path_cone_" + std::to_string(n));
        EXPECT_NEAR(cone.globalPosition().y, (ys[n] + ys[n + 1]) / 2, 1e-4) << n;
        EXPECT_NEAR(f.radius(cone, host::primitive::ConeHeight), ys[n + 1] - ys[n], 1e-4) << n;
    }
    // Each connector sits just before its joint; the last one just past the last joint.
    EXPECT_NEAR(f.named("Path_Connector1").globalPosition().y, 130 - 0.01 * 100, 1e-4);
    EXPECT_NEAR(f.named("Path_Connector3").globalPosition().y, 300 + 0.01 * 70, 1e-4);
}

TEST(RopeUpdate, AnEditedSplineRedistributesTheRopeOnlyWhileTheSwitchIsOn) {
    LiveRope f(false);
    f.engine.geometry().setSpline(f.spline.id(), std::vector<Vector>{{0, 0, 0}, {0, 600, 0}}, {});
    f.generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_BOOL), false);
    checkGeneratorDirty(f.generator);
    EXPECT_NEAR(f.jointY(1), 100, 1e-6);
    f.spline.setLocalPosition({0, 1, 0});
    f.generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_BOOL), true);
    checkGeneratorDirty(f.generator);
    for (int32_t n = 0; n <= 3; ++n) EXPECT_NEAR(f.jointY(n), 1 + 200.0 * n, 1e-4) << n;
}

TEST(RopeUpdate, PiecesOfOtherBuildsNeitherMoveNorShiftTheRope) {
    LiveRope f(false);
    // A sphere and a connector that other work left in the list, ahead of the rope's own.
    const host::Object stray = f.add(host::type::Sphere, "Stray");
    const host::Object strayConnector = f.add(host::type::Connector, "Stray_Connector");
    host::InExcludeList extra;
    extra.insert(stray.id());
    extra.insert(strayConnector.id());
    const host::InExcludeList built = f.list(ADDITIONAL_InEx_CREATED_OBJECTS);
    for (host::NodeId id : built.ids()) extra.insert(id);
    f.generator.setParameter(host::DescID(ADDITIONAL_InEx_CREATED_OBJECTS), extra);

    ASSERT_TRUE(f.set(ROPE_AMOUNT_DISTRIBUTION, f.curve({{0, 0.1}, {1, 0.1}})));
    EXPECT_EQ(stray.globalMatrix(), host::Matrix{});
    EXPECT_EQ(strayConnector.globalMatrix(), host::Matrix{});
    EXPECT_NEAR(f.jointY(0), 30, 1e-4);
    EXPECT_NEAR(f.jointY(3), 300, 1e-4);
}

TEST(RopeUpdate, TheJointCountAndThePieceRebuildTheRope) {
    LiveRope f;
    ASSERT_TRUE(f.set(ROPE_JOINTS_AMOUNT, int32_t{5}));
    EXPECT_EQ(f.ropeJoints().size(), 6U);
    ASSERT_TRUE(f.set(ROPE_PIECE_INSTANCE, host::Link{f.add(host::type::Cube, "Bead").id()}));
    EXPECT_TRUE(f.named("Bead_4").alive());
    EXPECT_EQ(f.ofType(host::type::Sphere).size(), 6U);
}

} // namespace
} // namespace flumpet::test
