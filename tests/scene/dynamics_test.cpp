// The embedded host's dynamics: what a bake of a few bodies does.
#include "host/messages.h"
#include "scene/dynamics/simulation.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace flumpet::test {
namespace {

using host::Vector;

/// Bodies of a metre or less, under the earth's gravity in metres.
struct DynamicsScene : SceneFixture {
    DynamicsScene() { setHook(host::dynamicsparam::Gravity, 9.81); }
    host::Node hook() const { return doc.sceneHook(host::hook::DynamicsSettings); }
    void setHook(int32_t id, const host::Value& v) { hook().setParameter(host::DescID(id), v); }

    /// A cube of the given edge at a place, made a body.
    host::Object body(const std::string& name, const Vector& at, double edge = 1.0, double followPercent = 0.0) {
        host::Object cube = add(host::type::Cube, name);
        cube.setParameter(host::DescID(host::primitive::CubeSize), Vector{edge, edge, edge});
        cube.setLocalPosition(at);
        const host::Tag tag = addTag(cube, host::tagtype::DynamicsBody);
        tag.setParameter(host::DescID(host::bodytag::FollowPosition), followPercent);
        tag.setParameter(host::DescID(host::bodytag::FollowRotation), followPercent);
        return cube;
    }
    /// A connector or spring of the given type between two bodies, placed at `frame`.
    host::Object join(int32_t objectType, int32_t kind, const host::Object& a, const host::Object& b,
                      const host::Matrix& frame) {
        host::Object o = add(objectType, objectType == host::type::Spring ? "Spring" : "Connector");
        o.setGlobalMatrix(frame);
        o.setParameter(host::DescID(host::forceparam::Type), kind);
        o.setParameter(host::DescID(host::forceparam::ObjectA), host::Link{a.id()});
        o.setParameter(host::DescID(host::forceparam::ObjectB), host::Link{b.id()});
        return o;
    }
    /// Limits a connector's angles to the range from `start` to `end` (radians).
    static void limit(host::Object& connector, double start, double end) {
        connector.setParameter(host::DescID(host::connectorparam::AngularLimit), int32_t{1});
        connector.setParameter(host::DescID(host::connectorparam::AngleStart), start);
        connector.setParameter(host::DescID(host::connectorparam::AngleEnd), end);
    }
    bool press(int32_t button) {
        const host::DescID id(button);
        host::DescriptionUsed used{doc.id(), 0, &id};
        return engine.sendMessage(hook().id(), host::msg::DescriptionUsed, &used);
    }
    const scene::BakedMotion& bake() {
        EXPECT_TRUE(press(host::dynamicshook::Bake));
        const scene::BakedMotion* motion = engine.bakedMotion(doc.id());
        EXPECT_NE(motion, nullptr);
        static const scene::BakedMotion none;
        return motion ? *motion : none;
    }
    /// The largest angle between the X axes of bodies a and b over the motion.
    static double largestTurn(const scene::BakedMotion& m, size_t a, size_t b) {
        double largest = 0.0;
        for (const auto& frame : m.frames) largest = std::max(largest, host::angleBetween(frame[a].v1, frame[b].v1));
        return largest;
    }
    /// Where body b is at frame f.
    static Vector at(const scene::BakedMotion& m, size_t f, size_t b) { return m.frames.at(f).at(b).off; }
};

TEST(Dynamics, ADroppedBoxComesToRestOnTheGround) {
    DynamicsScene f;
    f.body("Box", {0, 3, 0});
    f.setHook(scene::bakeparam::Ground, true);
    const scene::BakedMotion& m = f.bake();
    ASSERT_EQ(m.frames.size(), 91U); // 3 s at 30 frames per second, and the start
    const Vector start = f.at(m, 0, 0), end = f.at(m, 90, 0), before = f.at(m, 85, 0);
    EXPECT_NEAR(start.y, 3.0, 1e-6);
    EXPECT_NEAR(end.y, 0.5, 0.05);
    EXPECT_LT(host::length(end - before), 1e-3);
    // The same scene bakes the same motion; clearing empties the cache.
    const scene::BakedMotion first = m;
    EXPECT_EQ(f.bake(), first);
    EXPECT_TRUE(f.press(host::dynamicshook::ClearCache));
    EXPECT_EQ(f.engine.bakedMotion(f.doc.id()), nullptr);
    EXPECT_EQ(f.engine.dynamicsCache(f.doc.id()), scene::DynamicsCache::Empty);
}

TEST(Dynamics, ACollisionOnlyBodyHoldsWhatFallsOnItAndNeverMoves) {
    DynamicsScene f;
    const host::Object table = f.body("Table", {0, 1, 0}, 2.0);
    table.tag(host::tagtype::DynamicsBody).setParameter(host::DescID(host::bodytag::Dynamic), int32_t{0});
    f.body("Box", {0.3, 4, 0});
    const scene::BakedMotion& m = f.bake();
    ASSERT_EQ(m.bodies.size(), 1U); // only what moves is in the motion
    EXPECT_EQ(host::Object(&f.engine, m.bodies[0]).name(), "Box");
    EXPECT_NEAR(f.at(m, 90, 0).y, 2.5, 0.05); // on the table's top, no ground needed
    EXPECT_EQ(table.globalPosition(), (Vector{0, 1, 0}));
}

TEST(Dynamics, ABallFallsIntoTheNotchOfAHollowPiece) {
    // A U of three bars as one polygon piece, collision only: its hull would be a solid block,
    // and the ball would rest on top of it at 2.25; as convex parts it drops into the notch.
    DynamicsScene f;
    std::vector<Vector> points;
    std::vector<host::Polygon> polygons;
    const auto bar = [&](Vector low, Vector high) {
        const auto base = static_cast<int32_t>(points.size());
        for (int i = 0; i < 8; ++i)
            points.push_back({i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z});
        for (const auto& [a, b, c, d] : {std::array{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4},
                                         {1, 5, 7, 3}})
            polygons.push_back({base + a, base + b, base + c, base + d});
    };
    bar({-1.5, 0, -0.5}, {-1, 2, 0.5});
    bar({-1, 0, -0.5}, {1, 0.5, 0.5});
    bar({1, 0, -0.5}, {1.5, 2, 0.5});
    host::Object u = f.addMesh("U", points, polygons);
    f.addTag(u, host::tagtype::DynamicsBody).setParameter(host::DescID(host::bodytag::Dynamic), int32_t{0});
    host::Object ball = f.add(host::type::Sphere, "Ball");
    ball.setParameter(host::DescID(host::primitive::SphereRadius), 0.25);
    ball.setLocalPosition({0, 3, 0});
    f.addTag(ball, host::tagtype::DynamicsBody);
    const scene::BakedMotion& m = f.bake();
    ASSERT_EQ(m.bodies.size(), 1U);
    EXPECT_NEAR(f.at(m, 90, 0).y, 0.75, 0.05); // on the bottom bar, between the arms
}

TEST(Dynamics, AFullFollowStrengthHoldsTheStartPose) {
    DynamicsScene f;
    f.body("Held", {0, 2, 0}, 0.5, 100.0);
    f.body("Limp", {3, 2, 0}, 0.5, 0.0);
    const scene::BakedMotion& m = f.bake();
    // Gravity against a spring of 20 per second sags it by g / 400.
    EXPECT_LT(host::length(f.at(m, m.frames.size() - 1, 0) - Vector{0, 2, 0}), 0.05);
    EXPECT_LT(f.at(m, m.frames.size() - 1, 1).y, -30.0); // 3 s of free fall
}

/// At the side of a body at (0, 2, 0), mirrored as the rig builders' frames are: X (the bone)
/// along world X, Y up; a hinge turns about the right-handed Z, world Z.
const host::Matrix HingeFrame{{0.5, 2, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
/// The same place for a spring, whose Z axis is the bone.
const host::Matrix SpringFrame{{0.5, 2, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}};

TEST(Dynamics, AHingeKeepsItsBodiesWithinItsLimits) {
    DynamicsScene f;
    const host::Object holder = f.body("Holder", {0, 2, 0}, 0.5, 100.0);
    const host::Object swinger = f.body("Swinger", {1, 2, 0}, 0.5);
    // A hinge at the holder's side turning about world Z, so gravity swings the swinger down,
    // but only as far as the range allows that way: 30 degrees down, 57 up.
    host::Object hinge = f.join(host::type::Connector, host::connectortype::Hinge, holder, swinger, HingeFrame);
    f.limit(hinge, -0.5235988, 1.0);
    const scene::BakedMotion& m = f.bake();
    EXPECT_EQ(m.connectors, 1);
    // The swinger stays on its hinge.
    for (size_t k = 0; k < m.frames.size(); ++k)
        EXPECT_NEAR(host::length(f.at(m, k, 1) - f.at(m, k, 0)), 1.0, 0.05) << k;
    const double largest = f.largestTurn(m, 0, 1);
    EXPECT_GT(largest, 0.2);                  // it swung
    EXPECT_LT(largest, 0.5235988 + 0.05);     // and no further than the range's lower end
    // The report measured the same hinge: within its limits, nothing escaped.
    const scene::StabilityReport* report = f.engine.bakeReport(f.doc.id());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->stable()) << ::testing::PrintToString(report->lines());
    EXPECT_TRUE(report->jointsBeyondLimits.empty());
    EXPECT_EQ(report->frames, 90);
}

TEST(Dynamics, ARagdollConnectorKeepsItsBodiesWithinItsCone) {
    DynamicsScene f;
    const host::Object holder = f.body("Holder", {0, 2, 0}, 0.5, 100.0);
    const host::Object swinger = f.body("Swinger", {1, 2, 0}, 0.5);
    // The bone (Z) along world X: gravity swings the swinger down, as far as the cone allows.
    host::Object cone = f.join(host::type::Connector, host::connectortype::Ragdoll, holder, swinger, SpringFrame);
    f.limit(cone, 1.0471976, 2.0943951);
    cone.setParameter(host::DescID(host::connectorparam::PrimaryAngle), 0.3490659); // 20 degrees
    const double largest = f.largestTurn(f.bake(), 0, 1);
    EXPECT_GT(largest, 0.2);
    EXPECT_LT(largest, 0.3490659 + 0.05);
    const scene::StabilityReport* report = f.engine.bakeReport(f.doc.id());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->jointsBeyondLimits.empty()) << ::testing::PrintToString(report->lines());
}

TEST(Dynamics, AHeavyColumnToppledOntoTheGroundStaysWithinItsCones) {
    // Five boxes of a rig's size and density (centimetres, 1000 per unit volume: each weighs
    // over a million) stacked on the ground and joined end to end by ragdoll connectors. The
    // column topples and lands; every connector must hold its cone and twist while it does.
    DynamicsScene f;
    f.setHook(host::dynamicsparam::Gravity, 1000.0);
    f.setHook(host::dynamicsparam::Substeps, 25.0);
    f.setHook(host::dynamicsparam::Iterations, 15.0);
    f.setHook(scene::bakeparam::Ground, true);
    std::vector<host::Object> boxes;
    for (int i = 0; i < 5; ++i) {
        boxes.push_back(f.body("Box" + std::to_string(i), {0, 10.0 + 20.0 * i, 0}));
        boxes.back().setParameter(host::DescID(host::primitive::CubeSize), Vector{8, 19, 8});
        boxes.back().tag(host::tagtype::DynamicsBody).setParameter(host::DescID(host::bodytag::Density), 1000.0);
    }
    for (int i = 0; i + 1 < 5; ++i) {
        const double y = 20.0 + 20.0 * i;
        host::Object c = f.join(host::type::Connector, host::connectortype::Ragdoll, boxes[i], boxes[i + 1],
                                host::Matrix{{0, y, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}});
        f.limit(c, 1.05, 2.09);
        c.setParameter(host::DescID(host::connectorparam::PrimaryAngle), 0.35);
    }
    const scene::BakedMotion& m = f.bake();
    EXPECT_LT(f.at(m, 90, 4).y, 30.0); // the top box came down
    const scene::StabilityReport* report = f.engine.bakeReport(f.doc.id());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->stable()) << ::testing::PrintToString(report->lines());
    EXPECT_TRUE(report->jointsBeyondLimits.empty()) << ::testing::PrintToString(report->lines());
}

TEST(Dynamics, ALimbSwingsAboutItsJointByTheWeightOfItsShape) {
    // A joint body at the hinge whose only geometry is a box hanging out to its side, as a
    // rig's limb is a joint with its collider below it: gravity pulls on the box's centre, one
    // unit from the hinge, and swings it down.
    DynamicsScene f;
    const host::Object holder = f.body("Holder", {0, 2, 0}, 1.0, 100.0);
    host::Object limb = f.addNull("Limb");
    limb.setLocalPosition({0.5, 2, 0});
    f.addTag(limb, host::tagtype::DynamicsBody);
    host::Object box = f.add(host::type::Cube, "Piece", limb);
    box.setParameter(host::DescID(host::primitive::CubeSize), Vector{1.0, 0.2, 0.2});
    box.setLocalPosition({0.5, 0, 0});
    f.join(host::type::Connector, host::connectortype::Hinge, holder, limb, HingeFrame);
    const scene::BakedMotion& m = f.bake();
    ASSERT_EQ(m.bodies.size(), 2U);
    double lowest = 2.0;
    for (size_t k = 0; k < m.frames.size(); ++k) {
        const host::Matrix& placed = m.frames[k][1];
        EXPECT_NEAR(host::length(placed.off - Vector{0.5, 2, 0}), 0.0, 0.05) << k; // the joint stays on the hinge
        lowest = std::min(lowest, (placed * Vector{1, 0, 0}).y);
    }
    EXPECT_LT(lowest, 1.2); // the piece's far end swung down from 2 to near 1
}

TEST(Dynamics, ABendSpringHoldsAHingeUp) {
    // The same free hinge twice, once with a bend spring across it: the spring keeps the
    // swinger near its start, the bare hinge lets it hang. The holder is large, so that its
    // follow strength keeps it from turning with the swinger's weight.
    const auto droop = [](bool spring) {
        DynamicsScene f;
        const host::Object holder = f.body("Holder", {0, 2, 0}, 1.0, 100.0);
        const host::Object swinger = f.body("Swinger", {1, 2, 0}, 0.5);
        f.join(host::type::Connector, host::connectortype::Hinge, holder, swinger, HingeFrame);
        if (spring) f.join(host::type::Spring, host::springkind::Bend, holder, swinger, SpringFrame);
        const scene::BakedMotion& m = f.bake();
        EXPECT_EQ(m.springs, spring ? 1 : 0);
        return 2.0 - m.frames.back()[1].off.y;
    };
    EXPECT_GT(droop(false), 0.4); // hanging half a unit below its hinge
    EXPECT_LT(droop(true), 0.15);
}

TEST(Dynamics, TheCacheIsPartOfTheDocument) {
    DynamicsScene f;
    f.body("Box", {0, 3, 0});
    const std::string before = f.save();
    const scene::BakedMotion baked = f.bake();
    const std::string after = f.save();
    EXPECT_EQ(f.engine.feedback().consoleLines.front(), "Dynamics bake stable: 90 of 90 frames simulated");

    // A file keeps the motion, its bodies renumbered with the nodes.
    const host::NodeId loaded = scene::loadDocument(f.engine, after);
    const scene::BakedMotion* reloaded = f.engine.bakedMotion(loaded);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->frames, baked.frames);
    EXPECT_EQ(host::Object(&f.engine, reloaded->bodies.at(0)).name(), "Box");
    EXPECT_NE(reloaded->bodies.at(0), baked.bodies.at(0));

    // Undo of the bake restores the document exactly; redo brings the motion back; a clear is
    // undone in the same way.
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(f.save(), before);
    EXPECT_EQ(f.engine.bakedMotion(f.doc.id()), nullptr);
    ASSERT_TRUE(f.engine.redo(f.doc.id()));
    EXPECT_EQ(f.save(), after);
    ASSERT_TRUE(f.press(host::dynamicshook::ClearCache));
    EXPECT_EQ(f.engine.bakedMotion(f.doc.id()), nullptr);
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(f.save(), after);
}

TEST(Dynamics, TheReportNamesWhatCannotBeTrusted) {
    {
        // Two free bodies sunk into each other: the solver throws them apart.
        DynamicsScene f;
        f.body("Left", {0, 0, 0});
        f.body("Right", {0.6, 0, 0});
        f.bake();
        const scene::StabilityReport& r = *f.engine.bakeReport(f.doc.id());
        EXPECT_EQ(r.overlapsAtRest, (std::vector<std::pair<std::string, std::string>>{{"Left", "Right"}}));
        EXPECT_NE(r.lines().back().find("overlap at rest"), std::string::npos);
    }
    {
        // A gravity no number can hold: the bake stops at once and caches only the start.
        DynamicsScene f;
        f.setHook(host::dynamicsparam::Gravity, 1e300);
        f.body("Box", {0, 3, 0});
        const scene::BakedMotion& m = f.bake();
        const scene::StabilityReport& r = *f.engine.bakeReport(f.doc.id());
        EXPECT_FALSE(r.stable());
        EXPECT_EQ(r.nonFinite, "body \"Box\" at frame 1");
        EXPECT_EQ(r.frames, 0);
        EXPECT_EQ(m.frames.size(), 1U);
        EXPECT_EQ(f.engine.feedback().consoleLines.front(), "Dynamics bake UNSTABLE: 0 of 90 frames simulated");
    }
}

} // namespace
} // namespace flumpet::test
