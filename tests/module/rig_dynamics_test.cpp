// The whole rig under the embedded host's dynamics: the character's rig, built by the create
// button and baked onto a ground plane, must hold together and come to rest on the ground.
#include "character_fixture.h"
#include "joints/rig_census.h"
#include "scene/dynamics/simulation.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace flumpet::test
