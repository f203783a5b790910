#include "rope_fixture.h"
#include "support/expected_scene.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

using host::Vector;

void expectNear(const Vector& a, const Vector& b, double tolerance = 1e-6) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

std::vector<std::string> numbered(const std::string& stem, int32_t from, int32_t to) {
    std::vector<std::string> out;
    for (int32_t n = from; n <= to; ++n) out.push_back(stem + std::to_string(n));
    return out;
}

TEST(RopeBuild, DefaultRopeOnAnOpenSpline) {
    RopeFixture f;
    const std::string before = f.save();
    ASSERT_TRUE(f.build());

    const std::vector<host::Object> joints = f.ropeJoints();
    ASSERT_EQ(joints.size(), 31U);
    EXPECT_EQ(f.ofType(host::type::Sphere).size(), 31U);
    const host::Object start = f.doc.firstObject();
    const host::Object end = start.next();
    EXPECT_EQ(start.name(), "Generator_Controller_Path_Start");
    EXPECT_EQ(end.name(), "Generator_Controller_Path_End");
    EXPECT_EQ(end.next(), f.generator);
    EXPECT_EQ(f.linked(ROPE_CONTROLLER_1), start.id());
    EXPECT_EQ(f.linked(ROPE_CONTROLLER_2), end.id());
    EXPECT_EQ(joints.front().parent(), start);
    EXPECT_EQ(joints.back().parent(), end);
    for (size_t n = 1; n + 1 < joints.size(); ++n) EXPECT_EQ(joints[n].parent(), f.spline) << n;
    // Every joint but the last carries its cone, and every joint its body.
    for (size_t n = 0; n < joints.size(); ++n) {
        const std::vector<host::Object> children = childrenOf(joints[n]);
        if (n + 1 < joints.size()) EXPECT_EQ(namesOf(children), std::vector<std::string>{"Path_cone_" + std::to_string(n)});
        else EXPECT_TRUE(children.empty());
        EXPECT_TRUE(joints[n].tag(host::tagtype::DynamicsBody).alive()) << n;
    }
    EXPECT_EQ(f.ofType(host::type::Cone).size(), 30U);
    EXPECT_EQ(tagsOfType(f.doc, host::tagtype::DynamicsBody).size(), 31U);
    // The ends sit where the spline starts and ends, each joint aims at the next one.
    expectNear(joints.front().globalPosition(), {0, 0, 0});
    expectNear(joints.back().globalPosition(), {50, 200, 0});
    expectNear(end.globalPosition(), {50, 200, 0});
    const host::Matrix m5 = joints[5].globalMatrix();
    expectNear(m5.v2, host::normalise(joints[6].globalPosition() - m5.off), 1e-3);

    const std::vector<host::Object> tail = childrenOf(f.generator);
    ASSERT_EQ(tail.size(), 3U);
    const host::Object group = tail[1], tracer = tail[2];
    EXPECT_EQ(group.name(), "Generator: Path: Connectors");
    EXPECT_EQ(tracer.name(), "Generator: Path: Tracer");
    EXPECT_EQ(namesOf(childrenOf(group)), numbered("Path_Connector", 1, 30));
    for (const host::Object& c : childrenOf(group)) {
        EXPECT_EQ(c.data().getInt(host::forceparam::AxisA, -1), host::forceaxis::Z);
        EXPECT_EQ(c.data().getInt(host::forceparam::AxisB, -1), host::forceaxis::Z);
    }
    const host::Object third = childrenOf(group)[2];
    EXPECT_EQ(linkedObject(third, host::forceparam::ObjectA), joints[2]);
    EXPECT_EQ(linkedObject(third, host::forceparam::ObjectB), joints[3]);
    EXPECT_EQ(f.traced(tracer), f.ids(joints));

    // Both lists name everything made; the hanging ends are override members.
    const host::InExcludeList extra = f.list(ADDITIONAL_InEx_CREATED_OBJECTS);
    EXPECT_EQ(extra, f.list(SETTINGS_CREATED_OBJECTS));
    EXPECT_EQ(extra.count(), 31 + 30 + 30 + 31 + 2 + 2);
    const host::InExcludeList overrides = f.list(SETTINGS_SELECTED_BONES_SELECTED_BONES);
    EXPECT_GE(overrides.indexOf(joints.front().id()), 0);
    EXPECT_GE(overrides.indexOf(joints.back().id()), 0);
    EXPECT_LT(overrides.indexOf(joints[1].id()), 0);

    const std::string after = f.save();
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
    ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), after);
}

TEST(RopeBuild, ASecondBuildReusesTheControllersAndLeavesOneSet) {
    RopeFixture f;
    ASSERT_TRUE(f.build());
    const host::NodeId start = f.linked(ROPE_CONTROLLER_1), end = f.linked(ROPE_CONTROLLER_2);
    const std::string afterFirst = f.save();
    ASSERT_TRUE(f.build());

    EXPECT_EQ(f.linked(ROPE_CONTROLLER_1), start);
    EXPECT_EQ(f.linked(ROPE_CONTROLLER_2), end);
    EXPECT_EQ(f.ofType(host::type::Null).size(), 3U); // two controllers, one connector group
    EXPECT_EQ(f.ofType(host::type::Sphere).size(), 31U);
    EXPECT_EQ(f.ofType(host::type::Cone).size(), 30U);
    EXPECT_EQ(f.ofType(host::type::Connector).size(), 30U);
    EXPECT_EQ(f.ofType(host::type::Tracer).size(), 1U);
    EXPECT_EQ(tagsOfType(f.doc, host::tagtype::DynamicsBody).size(), 31U);
    EXPECT_EQ(f.ropeJoints().front().parent().id(), start);

    // The removal and the build are one undo step each.
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), afterFirst);
}

TEST(RopeBuild, EverySegmentGetsItsOwnNamesGroupTracerAndControllers) {
    RopeFixture f({{0, 0, 0}, {0, 90, 0}, {100, 0, 0}, {100, 90, 0}, {200, 0, 0}, {200, 90, 0}}, false, {2, 2, 2},
                  host::splinetype::Linear);
    f.generator.setParameter(host::DescID(ROPE_JOINTS_AMOUNT), int32_t{3});
    ASSERT_TRUE(f.build());
    for (int32_t s = 0; s < 3; ++s) {
        const std::string prefix = "Path_Segment_" + std::to_string(s);
        const std::vector<host::Object> joints = f.ropeJoints(prefix);
        ASSERT_EQ(joints.size(), 4U) << prefix;
        expectNear(joints[1].globalPosition(), {100.0 * s, 30, 0});
        EXPECT_TRUE(f.named("Generator: " + prefix + ": Connectors").alive());
        EXPECT_TRUE(f.named("Generator: " + prefix + ": Tracer").alive());
        EXPECT_TRUE(f.named(prefix + "_Connector3").alive());
        EXPECT_EQ(joints[0].parent().name(), "Generator_Controller_" + prefix + "_Start");
    }
    // With no controller linked, each segment made a pair; the links name the last one, on
    // which the next build hangs every segment's ends, removing the other pairs.
    const host::Object lastStart = f.named("Generator_Controller_Path_Segment_2_Start");
    EXPECT_EQ(f.linked(ROPE_CONTROLLER_1), lastStart.id());
    ASSERT_TRUE(f.build());
    EXPECT_EQ(f.ofType(host::type::Null).size(), 2U + 3U);
    for (int32_t s = 0; s < 3; ++s)
        EXPECT_EQ(f.ropeJoints("Path_Segment_" + std::to_string(s)).front().parent(), lastStart) << s;
}

TEST(RopeBuild, AClosedSplineClosesTheTracerAndTheLastConnector) {
    RopeFixture f({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}}, true, {}, host::splinetype::Linear);
    f.generator.setParameter(host::DescID(ROPE_JOINTS_AMOUNT), int32_t{4});
    f.generator.setParameter(host::DescID(ROPE_ENDS_FIXED), false);
    ASSERT_TRUE(f.build());
    const std::vector<host::Object> joints = f.ropeJoints();
    ASSERT_EQ(joints.size(), 5U);
    // The last joint lies on the first and is switched off.
    expectNear(joints[4].globalPosition(), joints[0].globalPosition());
    EXPECT_EQ(joints[4].data().getInt(host::param::GeneratorEnabled, 1), 0);
    EXPECT_EQ(joints[3].data().getInt(host::param::GeneratorEnabled, 1), 1);
    std::vector<host::NodeId> loop = f.ids(joints);
    loop.push_back(joints[0].id());
    EXPECT_EQ(f.traced(f.named("Generator: Path: Tracer")), loop);
    const host::Object last = f.named("Path_Connector4");
    EXPECT_EQ(linkedObject(last, host::forceparam::ObjectA), joints[3]);
    EXPECT_EQ(linkedObject(last, host::forceparam::ObjectB), joints[0]);
    EXPECT_EQ(f.ofType(host::type::Null).size(), 1U); // no controllers without fixed ends
}

TEST(RopeBuild, PieceClonesFollowTheDistributionAndMakeTheBodiesUseTheirShape) {
    RopeFixture f(3, false);
    const host::Object bead = f.add(host::type::Cube, "Bead");
    f.link(ROPE_PIECE_INSTANCE, bead);
    f.setCurve(ROPE_AMOUNT_DISTRIBUTION, {{0, 0.1}, {1, 0.1}});
    ASSERT_TRUE(f.build());

    // Each piece starts a tenth of the spline further on; the last one is pushed to the end.
    const std::vector<host::Object> joints = f.ropeJoints();
    ASSERT_EQ(joints.size(), 4U);
    const double ys[] = {30, 130, 230, 300};
    for (size_t n = 0; n < 4; ++n) expectNear(joints[n].globalPosition(), {0, ys[n], 0}, 1e-4);
    // A clone under every joint but the last, scaled by the actual over the uniform length.
    const double scales[] = {1.0, 1.0, 0.7};
    for (size_t n = 0; n < 3; ++n) {
        const host::Object clone = f.named("Bead_" + std::to_string(n));
        ASSERT_TRUE(clone.alive()) << n;
        EXPECT_EQ(clone.parent(), joints[n]);
        EXPECT_NEAR(host::scaleOf(clone.localMatrix()).x, scales[n], 1e-5) << n;
        expectNear(clone.globalPosition(), {0, (ys[n] + ys[n + 1]) / 2, 0}, 1e-4);
    }
    EXPECT_TRUE(childrenOf(joints[3]).empty());
    for (const host::Tag& body : tagsOfType(f.doc, host::tagtype::DynamicsBody))
        EXPECT_EQ(body.data().getInt(host::bodytag::ShapeKind, -1), 6);
}

// A rope along Z rolls its joints by Z, and a vertical one its last connector by Y: neither
// may flatten a frame.
TEST(RopeBuild, PiecesAlongTheirRollAxisKeepWholeFrames) {
    for (const Vector& top : {Vector{0, 0, 300}, Vector{0, 300, 0}}) {
        RopeFixture f({{0, 0, 0}, top}, false, {}, host::splinetype::Linear);
        f.generator.setParameter(host::DescID(ROPE_JOINTS_AMOUNT), int32_t{3});
        ASSERT_TRUE(f.build());
        for (int32_t type : {host::type::Sphere, host::type::Cone, host::type::Connector, host::type::Null})
            for (const host::Object& o : f.ofType(type))
                EXPECT_NEAR(std::abs(o.globalMatrix().determinant()), 1.0, 1e-9) << o.name() << " to " << top.z;
        expectNear(f.named("Path_joint_1").globalPosition(), top * (1.0 / 3.0));
    }
}

TEST(RopeBuild, AJointCountOfZeroRemovesTheRopeAndSaysSo) {
    RopeFixture f;
    ASSERT_TRUE(f.build());
    f.generator.setParameter(host::DescID(ROPE_JOINTS_AMOUNT), int32_t{0});
    ASSERT_TRUE(f.build());
    EXPECT_TRUE(f.ofType(host::type::Sphere).empty());
    EXPECT_TRUE(f.ofType(host::type::Connector).empty());
    EXPECT_EQ(f.engine.feedback().consoleLines,
              std::vector<std::string>{"Flumpet: Joints Amount is 0, no rope was built."});
    EXPECT_EQ(f.ofType(host::type::Null).size(), 2U); // the linked controllers stay
}

TEST(RopeBuild, WithoutASplineChildNothingIsRemovedOrBuilt) {
    GeneratorFixture f;
    f.add(host::type::Cube, "NotAPath", f.generator);
    f.addToList(ADDITIONAL_InEx_CREATED_OBJECTS, f.add(host::type::Sphere, "Old_joint_0"));
    const std::string before = f.save();
    commandContext().refreshLists(f.generator);
    EXPECT_FALSE(buildRope(f.generator));
    EXPECT_EQ(f.save(), before);
}

TEST(RopeBuild, OneLinkedControllerLeavesTheOtherEndOut) {
    RopeFixture f(3, true);
    const host::Object handle = f.addNull("Handle");
    f.link(ROPE_CONTROLLER_1, handle);
    ASSERT_TRUE(f.build());
    const std::vector<host::Object> joints = f.ropeJoints();
    ASSERT_EQ(joints.size(), 3U);
    EXPECT_EQ(joints[0].parent(), handle);
    EXPECT_FALSE(f.named("Path_joint_3").alive());
    EXPECT_EQ(f.ofType(host::type::Connector).size(), 2U);
    EXPECT_EQ(f.linked(ROPE_CONTROLLER_2), host::NoNode);
}

} // namespace
} // namespace flumpet::test

namespace flumpet::test {
namespace {

// The whole command on a short rope: the generate-selected button in rope mode (nothing
// selected), undone and redone, then a live change of the distribution.
TEST(ExpectedScene, RopeFromGenerateSelectedThenRedistributed) {
    RopeFixture f(2, true);
    f.generator.setParameter(host::DescID(CONNECTOR_MODE), RopeMode);
    const std::string before = f.save();
    ASSERT_TRUE(f.press(CMD_GENERATE_SELECTED));
    const std::string built = f.save();
    std::string digest = "== built by generate selected\n" + sceneDigest(f.engine, f.doc);
    while (f.engine.canUndo(f.doc.id())) ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
    while (f.engine.canRedo(f.doc.id())) ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), built);

    f.generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_BOOL), true);
    ASSERT_TRUE(f.set(ROPE_AMOUNT_DISTRIBUTION, f.curve({{0, 0.0}, {1, 0.2}})));
    digest += "== after the distribution curve rises to 0.2\n" + sceneDigest(f.engine, f.doc);
    expectMatchesFile(digest, "rope_generate_selected.txt");
}

} // namespace
} // namespace flumpet::test
