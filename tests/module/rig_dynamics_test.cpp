// The whole rig under the embedded host's dynamics: the character's rig, built by the create
// button and baked onto a ground plane, must hold together and come to rest on the ground.
#include "character_fixture.h"
#include "joints/rig_census.h"
#include "real_character.h"
#include "scene/dynamics/simulation.h"

#include <gtest/gtest.h>

#include <set>

namespace flumpet::test {
namespace {

using host::Vector;

TEST(RigDynamics, TheCharacterFallsOntoTheGroundInOnePiece) {
    CharacterFixture f;
    ASSERT_TRUE(f.press(CMD_CREATE));
    const host::Node hook = f.doc.sceneHook(host::hook::DynamicsSettings);
    hook.setParameter(host::DescID(scene::bakeparam::Ground), true);
    ASSERT_TRUE(f.press(CMD_BAKE));
    const scene::BakedMotion* m = f.engine.bakedMotion(f.doc.id());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->bodies.size(), 22U);
    EXPECT_EQ(m->connectors, 21);
    ASSERT_EQ(m->frames.size(), 91U); // no frame was cut short by a value that is not finite

    std::map<host::NodeId, size_t> bodyIndex;
    for (size_t b = 0; b < m->bodies.size(); ++b) bodyIndex[m->bodies[b]] = b;
    const auto indexOf = [&](const host::Object& o) {
        for (host::Object at = o; at.alive(); at = at.parent())
            if (bodyIndex.count(at.id())) return bodyIndex[at.id()];
        return size_t{0};
    };
    // Every connector keeps the two bodies it joins together at its place.
    double widest = 0.0;
    for (const host::Object& c : objectsOfType(f.doc, host::type::Connector)) {
        const size_t a = indexOf(linkedObject(c, host::forceparam::ObjectA));
        const size_t b = indexOf(linkedObject(c, host::forceparam::ObjectB));
        const Vector at = c.globalPosition();
        const Vector inA = host::inverse(m->frames[0][a]) * at, inB = host::inverse(m->frames[0][b]) * at;
        for (const auto& frame : m->frames) widest = std::max(widest, host::length(frame[a] * inA - frame[b] * inB));
    }
    EXPECT_LT(widest, 3.0); // scene units: the pelvis stands 100 above the ground
    // No body flies off; the pelvis ends on the ground.
    double fastest = 0.0;
    for (size_t k = 1; k < m->frames.size(); ++k)
        for (size_t b = 0; b < m->bodies.size(); ++b)
            fastest = std::max(fastest, host::length(m->frames[k][b].off - m->frames[k - 1][b].off) * 30.0);
    EXPECT_LT(fastest, 1500.0);
    const double pelvis = m->frames.back()[bodyIndex.at(f.joint("Pelvis").id())].off.y;
    EXPECT_LT(pelvis, 60.0);
    EXPECT_GT(pelvis, -1.0);
    // The bake's own report agrees: every value finite, speeds far below a blow-up, no body out
    // of the region, and every connector within its limits: wrong connector frames or limits
    // would show here.
    const scene::StabilityReport* report = f.engine.bakeReport(f.doc.id());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->stable()) << ::testing::PrintToString(report->lines());
    EXPECT_TRUE(report->jointsBeyondLimits.empty()) << ::testing::PrintToString(report->lines());
    EXPECT_EQ(report->frames, 90);
}

TEST(RigDynamics, TheRealCharactersRigLandsWithinItsAngles) {
    RealCharacter c;
    ASSERT_TRUE(c.press(CMD_CREATE));
    c.doc.sceneHook(host::hook::DynamicsSettings).setParameter(host::DescID(scene::bakeparam::Ground), true);
    ASSERT_TRUE(c.press(CMD_BAKE));
    const scene::BakedMotion* m = c.engine.bakedMotion(c.doc.id());
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->frames.size(), 91U);
    // The character's size: the diagonal of the box around its joints.
    host::Vector low = m->frames[0].front().off, high = low;
    for (const host::Matrix& body : m->frames[0]) {
        low = {std::min(low.x, body.off.x), std::min(low.y, body.off.y), std::min(low.z, body.off.z)};
        high = {std::max(high.x, body.off.x), std::max(high.y, body.off.y), std::max(high.z, body.off.z)};
    }
    const double size = host::length(high - low);
    const scene::StabilityReport* report = c.engine.bakeReport(c.doc.id());
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->stable()) << ::testing::PrintToString(report->lines());
    // Every connector holds its angles. The pieces cut from this mesh overlap one another where
    // the bake starts (arms against hips, legs against legs), and pushing apart they open a
    // joint: only a connector with such a body on one side opens, and by less than 15 % of the
    // character's size.
    std::set<std::string> overlapping;
    for (const auto& [a, b] : report->overlapsAtRest) overlapping.insert({a, b});
    for (const auto& e : report->jointsBeyondLimits) {
        EXPECT_EQ(e.what, "apart") << e.connector << " by " << e.amount;
        EXPECT_LT(e.amount, 0.15 * size) << e.connector << " of " << size;
        const host::Object connector = c.find(e.connector);
        EXPECT_TRUE(overlapping.count(linkedObject(connector, host::forceparam::ObjectA).name()) ||
                    overlapping.count(linkedObject(connector, host::forceparam::ObjectB).name()))
            << e.connector;
    }
}

} // namespace
} // namespace flumpet::test
