#include "joint_rig.h"
#include "joints/connectors.h"
#include "joints/joint_frames.h"

namespace flumpet::test {
namespace {

using host::Vector;

struct ConnectorRig : JointRig {
    host::Object group = addGroup();

    /// The skeleton builder's connector for bone B (pole from the chain, as the builder does).
    host::Object skeleton(int32_t type, const std::string& a, const std::string& b, Vector pole) {
        EXPECT_TRUE(createSkeletonConnector(generator, group, type, joint(a), joint(b), degrees(20),
                                            degrees(60), degrees(120), joint(b), pole, {}, 0));
        return group.lastChild();
    }
    host::Object skeleton(int32_t type, const std::string& a, const std::string& b) {
        return skeleton(type, a, b, polePoint(generator, joint(b), {}));
    }
    /// createConnector between A and the bone B, aimed at child.
    host::Object single(int32_t type, const std::string& a, const std::string& b, const std::string& child) {
        return createConnector(generator, type, joint(a), joint(b), degrees(20), degrees(60), degrees(120),
                               joint(b), joint(child), polePoint(generator, joint(b), joint(child)), {}, 0,
                               group);
    }
};

/// Unit direction from one joint to another.
Vector direction(const Vector& from, const Vector& to) {
    return host::normalise(to - from);
}

/// The frame's axes are unit length and perpendicular to each other.
void expectOrthonormal(const host::Matrix& m) {
    for (const Vector& v : {m.v1, m.v2, m.v3})
        EXPECT_NEAR(host::length(v), 1.0, 1e-9);
    EXPECT_NEAR(host::dot(m.v1, m.v2), 0.0, 1e-9);
    EXPECT_NEAR(host::dot(m.v2, m.v3), 0.0, 1e-9);
    EXPECT_NEAR(host::dot(m.v1, m.v3), 0.0, 1e-9);
}

// --- Axis codes --------------------------------------------------------------------------------

struct CodeCase {
    const char* what;
    Vector child;  // Spine2's local position under Spine1
    bool skeleton; // createSkeletonConnector, else createConnector
    int32_t type;
    int32_t code; // -1: left at the host's defaults
};

void PrintTo(const CodeCase& c, std::ostream* os) {
    *os << c.what;
}

class ConnectorAxisCodes : public testing::TestWithParam<CodeCase> {};

TEST_P(ConnectorAxisCodes, FollowTheAxisTheBoneReachesItsChildAlong) {
    ConnectorRig f;
    const CodeCase& c = GetParam();
    f.joint("Spine2").setLocalPosition(c.child);
    const host::Object connector =
        c.skeleton ? f.skeleton(c.type, "Pelvis", "Spine1") : f.single(c.type, "Pelvis", "Spine1", "Spine2");
    ASSERT_TRUE(connector.alive());
    const host::Container data = connector.data();
    if (c.code < 0) {
        EXPECT_FALSE(data.has(host::forceparam::AxisA));
        EXPECT_FALSE(data.has(host::forceparam::AxisB));
    } else {
        EXPECT_EQ(data.getInt(host::forceparam::AxisA, -1), c.code);
        EXPECT_EQ(data.getInt(host::forceparam::AxisB, -1), c.code);
    }
}

constexpr Vector alongZ{0, 0, 2}, alongY{0, 2, 0}, alongX{2, 0, 0};
INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectorAxisCodes,
    testing::Values(CodeCase{"skeleton ragdoll, Z", alongZ, true, 3, 1},
                    CodeCase{"skeleton hinge, Z", alongZ, true, 0, 1},
                    CodeCase{"skeleton hinge, Y", alongY, true, 0, 2},
                    CodeCase{"skeleton planar, X", alongX, true, 6, 2},
                    CodeCase{"ragdoll, Z", alongZ, false, 3, 1}, CodeCase{"ragdoll, X", alongX, false, 3, 2},
                    CodeCase{"hinge, Z", alongZ, false, 0, 2}, CodeCase{"hinge, Y", alongY, false, 0, 1},
                    CodeCase{"hinge, X", alongX, false, 0, 0}, CodeCase{"slider, Z", alongZ, false, 4, -1},
                    CodeCase{"planar, Z", alongZ, false, 6, -1}));

// --- Frames in world space ---------------------------------------------------------------------

struct GeneratorCase {
    const char* what;
    host::Matrix global;
};

void PrintTo(const GeneratorCase& c, std::ostream* os) {
    *os << c.what;
}

class ConnectorUnderAPlacedGenerator : public testing::TestWithParam<GeneratorCase> {};

TEST_P(ConnectorUnderAPlacedGenerator, SitsAtTheJointWithZAlongTheBoneAndYTowardThePole) {
    ConnectorRig f;
    f.generator.setGlobalMatrix(GetParam().global);
    f.joint("Spine2").setLocalPosition({0, 0.5, 2});
    const Vector pole = polePoint(f.generator, f.joint("Spine1"), {});
    for (const bool skeleton : {true, false}) {
        const host::Object connector =
            skeleton ? f.skeleton(3, "Pelvis", "Spine1", pole) : f.single(3, "Pelvis", "Spine1", "Spine2");
        const host::Matrix m = connector.globalMatrix();
        const Vector bone = f.pos("Spine1"), child = f.pos("Spine2");
        EXPECT_TRUE(near(m.off, bone + (bone - child) * 0.01, 1e-9)) << skeleton;
        expectOrthonormal(m);
        EXPECT_NEAR(host::dot(m.v3, direction(bone, child)), 1.0, 1e-9);
        // The roll turns Y toward the pole, across the bone.
        const Vector towardPole = pole - m.off;
        const Vector across = host::normalise(towardPole - m.v3 * host::dot(towardPole, m.v3));
        EXPECT_NEAR(host::dot(m.v2, across), 1.0, 1e-6);
    }
}

host::Matrix placed() {
    host::Matrix m = host::rotationFromHpb({0.7, -0.3, 1.1});
    m.off = {5, -2, 3};
    return m;
}
INSTANTIATE_TEST_SUITE_P(Generators, ConnectorUnderAPlacedGenerator,
                         testing::Values(GeneratorCase{"at the origin", {}},
                                         GeneratorCase{"moved and rotated", placed()}));

TEST(HingeConnector, BentKneeTurnsAboutTheLimbsNormal) {
    ConnectorRig f;
    f.generator.setGlobalMatrix(placed());
    f.joint("Ankle_L").setLocalPosition({0, 0.6, 0.8});
    const Vector pole = hingePolePoint(f.joint("Knee_L"), f.joint("Hip_L"), f.joint("Ankle_L"));
    const host::Object knee = f.skeleton(0, "Hip_L", "Knee_L", pole);
    const host::Matrix m = knee.globalMatrix();
    expectOrthonormal(m);
    const Vector hip = f.pos("Hip_L"), k = f.pos("Knee_L"), ankle = f.pos("Ankle_L");
    EXPECT_TRUE(near(m.off, k + (k - ankle) * 0.01, 1e-9));
    const Vector normal = host::normalise(host::cross(hip - k, ankle - k));
    EXPECT_NEAR(std::abs(host::dot(m.v3, normal)), 1.0, 1e-9);
    // Y lies in the limb's plane, toward the pole.
    EXPECT_NEAR(host::dot(m.v2, normal), 0.0, 1e-9);
    EXPECT_GT(host::dot(m.v2, pole - m.off), 0.0);
}

TEST(HingeConnector, StraightKneeStillGetsAWholeFrame) {
    // The hinge pole of a straight limb lies on the limb itself.
    ConnectorRig f;
    const Vector pole = hingePolePoint(f.joint("Knee_L"), f.joint("Hip_L"), f.joint("Ankle_L"));
    const host::Object knee = f.skeleton(0, "Hip_L", "Knee_L", pole);
    const host::Matrix m = knee.globalMatrix();
    expectOrthonormal(m);
    // X along the bone (up to the small roll toward the substitute pole), Z across it.
    EXPECT_GT(host::dot(m.v1, direction(f.pos("Knee_L"), f.pos("Ankle_L"))), 0.999);
    EXPECT_NEAR(host::dot(m.v3, direction(f.pos("Knee_L"), f.pos("Ankle_L"))), 0.0, 1e-9);
}

TEST(HingeConnector, NearlyStraightKneeIsTurnedLikeAStraightOne) {
    // Rounding noise off the limb's line must not decide the hinge axis.
    ConnectorRig f;
    const auto kneeFrame = [&] {
        const Vector pole = hingePolePoint(f.joint("Knee_L"), f.joint("Hip_L"), f.joint("Ankle_L"));
        return f.skeleton(0, "Hip_L", "Knee_L", pole).globalMatrix();
    };
    const host::Matrix straight = kneeFrame();
    f.joint("Ankle_L").setLocalPosition({1e-9, 1, -1e-9});
    const host::Matrix nearly = kneeFrame();
    EXPECT_TRUE(near(nearly.v1, straight.v1, 1e-6));
    EXPECT_TRUE(near(nearly.v2, straight.v2, 1e-6));
    EXPECT_TRUE(near(nearly.v3, straight.v3, 1e-6));
}

TEST(HingeConnector, NonFinitePoleNeverReachesTheMatrix) {
    ConnectorRig f;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const host::Object knee = f.skeleton(0, "Hip_L", "Knee_L", {nan, 0, 0});
    EXPECT_TRUE(host::isFinite(knee.globalMatrix()));
    expectOrthonormal(knee.globalMatrix());
}

TEST(PlanarConnector, KeepsIdentityAxesTurnedOnlyByTheRoll) {
    ConnectorRig f;
    f.generator.setGlobalMatrix(placed());
    const host::Object connector = f.single(6, "Spine1", "Spine2", "Chest");
    // In generator space (the group sits at the generator's origin).
    const host::Matrix local = connector.localMatrix();
    EXPECT_TRUE(near(local.v3, (Vector{0, 0, 1}), 1e-12));
    const Vector pole = host::inverse(f.generator.globalMatrix()) *
                        polePoint(f.generator, f.joint("Spine2"), f.joint("Chest"));
    const auto w = static_cast<float>(host::angleBetween({0, 1, 0}, pole - local.off));
    EXPECT_NEAR(host::angleBetween(local.v2, {0, 1, 0}), w, 1e-6);
    EXPECT_TRUE(
        near(connector.globalPosition(), f.pos("Spine2") + (f.pos("Spine2") - f.pos("Chest")) * 0.01, 1e-9));
}

TEST(SliderConnector, SitsBetweenTheBodiesWithLinearLimits) {
    ConnectorRig f;
    f.joint("Spine2").setLocalPosition({0, 1, 1});
    const host::Object connector = f.single(4, "Spine1", "Spine2", "Chest");
    const Vector a = f.pos("Spine1"), b = f.pos("Spine2");
    const double half = host::length(b - a) / 2;
    EXPECT_TRUE(near(connector.globalPosition(), (a + b) * 0.5, 1e-9));
    EXPECT_NEAR(host::dot(connector.globalMatrix().v3, direction(a, b)), 1.0, 1e-9);
    const host::Container data = connector.data();
    EXPECT_NEAR(data.getFloat(host::connectorparam::LinearMin), -half, 1e-6);
    EXPECT_NEAR(data.getFloat(host::connectorparam::LinearMax), half, 1e-6);
    EXPECT_NEAR(data.getFloat(host::forceparam::DisplaySize), half / 2, 1e-6);
    EXPECT_EQ(data.getInt(host::connectorparam::LinearMode, -1), 0);
    EXPECT_EQ(data.getInt(host::connectorparam::LinearMinOn), 1);
    EXPECT_EQ(data.getInt(host::connectorparam::LinearMaxOn), 1);
}

TEST(SliderConnector, AnEndBoneAimsFromItsParentAndGetsNoLimits) {
    ConnectorRig f;
    const host::Object connector = f.single(4, "Knee_L", "Ankle_L", "Toe_L");
    const Vector ankle = f.pos("Ankle_L");
    EXPECT_TRUE(near(connector.globalPosition(), ankle + (ankle - f.pos("Toe_L")) * 0.01, 1e-9));
    EXPECT_NEAR(host::dot(connector.globalMatrix().v3, direction(f.pos("Knee_L"), f.pos("Toe_L"))), 1.0,
                1e-9);
    EXPECT_FALSE(connector.data().has(host::connectorparam::LinearMin));
    EXPECT_FALSE(connector.data().has(host::connectorparam::LinearMax));
}

TEST(SkeletonConnector, HandSitsFourPercentTowardTheForearm) {
    ConnectorRig f;
    f.joint("Hand_L").setLocalPosition({0.3, 1, 0});
    const Vector hand = f.pos("Hand_L"), forearm = f.pos("Forearm_L");
    const host::Object connector = f.skeleton(3, "Forearm_L", "Hand_L");
    EXPECT_TRUE(near(connector.globalPosition(), hand + (forearm - hand) * 0.04, 1e-9));
    // An end bone's frame runs from its start bone to the child (the hand itself here).
    EXPECT_NEAR(host::dot(connector.globalMatrix().v3, direction(forearm, hand)), 1.0, 1e-9);
    // createConnector places a hand like every other bone.
    const host::Object single = f.single(3, "Forearm_L", "Hand_L", "Hand_L");
    EXPECT_TRUE(near(single.globalPosition(), hand, 1e-12));
}

TEST(CreateConnector, AChildEqualToTheBoneGivesIdentityAxesBeforeTheRoll) {
    ConnectorRig f;
    const host::Object connector = f.single(3, "Spine2", "Chest", "Chest");
    const host::Matrix m = connector.localMatrix();
    expectOrthonormal(m);
    EXPECT_TRUE(near(m.v3, (Vector{0, 0, 1}), 1e-12));
}

// --- Parameters, lists and undo ----------------------------------------------------------------

TEST(SkeletonConnector, ParametersListAndUndo) {
    ConnectorRig f;
    const std::string before = f.save();
    const bool made = f.inUndoGroup([&] {
        return createSkeletonConnector(
            f.generator, f.group, 0, f.joint("Pelvis"), f.joint("Hip_L"), degrees(80), 0.0F, degrees(155),
            f.joint("Hip_L"), polePoint(f.generator, f.joint("Hip_L"), {}), {0, -0.29670597283903605, 0}, 1);
    });
    ASSERT_TRUE(made);
    const host::Object connector = f.group.lastChild();
    EXPECT_EQ(connector.name(), "Hip_L_Connector");
    EXPECT_EQ(connector.type(), host::type::Connector);
    const host::Container data = connector.data();
    EXPECT_EQ(data.getInt(host::forceparam::Type, -1), 0);
    EXPECT_EQ(data.getLinkId(host::forceparam::ObjectA), f.joint("Pelvis").id());
    EXPECT_EQ(data.getLinkId(host::forceparam::ObjectB), f.joint("Hip_L").id());
    EXPECT_EQ(data.getFloat(host::connectorparam::PrimaryAngle), static_cast<double>(degrees(80)));
    EXPECT_EQ(data.getFloat(host::connectorparam::AngleStart, -1), 0.0);
    EXPECT_EQ(data.getFloat(host::connectorparam::AngleEnd), static_cast<double>(degrees(155)));
    EXPECT_EQ(data.getInt(host::connectorparam::PrimaryAngleFlag), 1);
    EXPECT_EQ(data.getInt(host::connectorparam::FixedAngle), 89);
    EXPECT_EQ(data.getInt(host::connectorparam::AngularLimit), 1);
    EXPECT_EQ(data.getInt(host::forceparam::Visible), 1);
    ASSERT_NE(data.find(host::forceparam::DisplaySize), nullptr);
    EXPECT_TRUE(host::valuesEqual(*data.find(host::forceparam::DisplaySize), host::Value{int32_t{5}}));

    EXPECT_GE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(connector.id()), 0);
    EXPECT_LT(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(connector.id()), 0);

    f.expectUndoAndRedo(before);
}

TEST(CreateConnector, ParametersListsAndUndo) {
    ConnectorRig f;
    f.joint("Spine2").setLocalPosition({0, 2, 0});
    const std::string before = f.save();
    const host::Object connector = f.inUndoGroup([&] { return f.single(3, "Pelvis", "Spine1", "Spine2"); });
    ASSERT_TRUE(connector.alive());
    EXPECT_EQ(connector.parent().id(), f.group.id());
    EXPECT_EQ(connector.name(), "Spine1_Connector");
    const host::Container data = connector.data();
    // A quarter of the bone's length, as a float.
    const auto* size = data.find(host::forceparam::DisplaySize);
    ASSERT_NE(size, nullptr);
    ASSERT_TRUE(std::holds_alternative<double>(*size));
    EXPECT_EQ(std::get<double>(*size), 0.5);
    EXPECT_EQ(data.getFloat(host::connectorparam::AngleStart), static_cast<double>(degrees(60)));
    EXPECT_EQ(data.getInt(host::connectorparam::PrimaryAngleFlag, -1), 0);
    EXPECT_GE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(connector.id()), 0);
    EXPECT_GE(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(connector.id()), 0);

    f.expectUndoAndRedo(before);
    EXPECT_TRUE(connector.alive()); // redo brings the same object back
}

TEST(CreateConnector, AGroupThatIsGoneLeavesNothingBehind) {
    ConnectorRig f;
    f.group.remove();
    f.group.free();
    const int32_t created = f.list(SETTINGS_CREATED_OBJECTS).count();
    EXPECT_FALSE(f.single(3, "Pelvis", "Spine1", "Spine2").alive());
    EXPECT_EQ(f.list(SETTINGS_CREATED_OBJECTS).count(), created);
}

} // namespace
} // namespace flumpet::test
