#include "host/geometry_handles.h"
#include "mannequin.h"
#include "object_paths.h"
#include "scene/scene_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace flumpet::test {
namespace {

// Closed and consistently turned: every edge is used once in each direction.
void expectClosedSurface(const app::TriangleMesh& mesh) {
    std::map<std::pair<int32_t, int32_t>, int> directed;
    for (const auto& t : mesh.triangles)
        for (size_t k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}];
    int unmatched = 0;
    for (const auto& [edge, count] : directed)
        unmatched += count != 1 || !directed.count({edge.second, edge.first});
    EXPECT_EQ(unmatched, 0);
    // One closed piece without handles: V - E + F = 2.
    const auto v = static_cast<int64_t>(mesh.points.size()), e = static_cast<int64_t>(directed.size() / 2),
               f = static_cast<int64_t>(mesh.triangles.size());
    EXPECT_EQ(v - e + f, 2);
    // Turned outwards: the enclosed volume is positive (about 65 litres for a person).
    double volume = 0;
    for (const auto& t : mesh.triangles)
        volume += host::dot(mesh.points[size_t(t[0])], host::cross(mesh.points[size_t(t[1])], mesh.points[size_t(t[2])])) / 6;
    EXPECT_GT(volume, 40000.0);
    EXPECT_LT(volume, 120000.0);
}

TEST(Mannequin, IsOneClosedSurfaceNearTheAskedTriangleCount) {
    for (const int64_t asked : {2000, 30000}) {
        const app::Mannequin m = app::makeMannequin(asked);
        SCOPED_TRACE(asked);
        expectClosedSurface(m.surface);
        EXPECT_NEAR(static_cast<double>(m.surface.triangles.size()), static_cast<double>(asked), 0.1 * static_cast<double>(asked));
    }
}

TEST(Mannequin, WeightsAreSmoothAndSumToOne) {
    const app::Mannequin m = app::makeMannequin(5000);
    ASSERT_EQ(m.weights.size(), m.surface.points.size());
    size_t shared = 0;
    std::set<int> weighted;
    for (const auto& w : m.weights) {
        ASSERT_FALSE(w.empty());
        EXPECT_LE(w.size(), 4u);
        double sum = 0;
        for (const auto& [joint, weight] : w) {
            sum += weight;
            weighted.insert(joint);
        }
        EXPECT_NEAR(sum, 1.0, 1e-9);
        shared += w.size() > 1;
    }
    // Joints blend into each other: many points lean on more than one joint.
    EXPECT_GT(shared, m.weights.size() / 5);
    // Every joint but the ends carries part of the surface.
    for (size_t j = 0; j < m.joints.size(); ++j) {
        if (m.joints[j].name.find("End") == std::string::npos) {
            EXPECT_TRUE(weighted.count(static_cast<int>(j))) << m.joints[j].name;
        }
    }
}

TEST(Mannequin, SameBudgetSameCharacter) {
    const app::Mannequin a = app::makeMannequin(3000), b = app::makeMannequin(3000);
    EXPECT_EQ(a.surface.points, b.surface.points);
    EXPECT_EQ(a.surface.triangles, b.surface.triangles);
    EXPECT_EQ(a.weights, b.weights);
}

TEST(Mannequin, InsertsSkeletonAndSkinnedBody) {
    SceneFixture s;
    const app::Mannequin m = app::makeMannequin(2000);
    const host::Object root = app::insertMannequin(s.engine, s.doc, m);
    EXPECT_EQ(root.name(), "Mannequin");
    EXPECT_EQ(app::objectPath(app::findObject(s.doc, "LeftHand")), "Mannequin/Hips/Spine/Spine1/Spine2/LeftShoulder/LeftArm/LeftForeArm/LeftHand");
    EXPECT_EQ(app::findObject(s.doc, "RightToeBase").globalPosition(), host::Vector(-10, 3, 12));
    const host::PolygonObject body(app::findObject(s.doc, "Body"));
    ASSERT_TRUE(body.alive());
    EXPECT_EQ(static_cast<size_t>(body.polygonCount()), m.surface.triangles.size());
    const host::WeightTag tag(body.tag(host::tagtype::Weight));
    ASSERT_TRUE(tag.alive());
    const int32_t hand = tag.jointIndex(app::findObject(s.doc, "LeftHand"));
    ASSERT_GE(hand, 0);
    EXPECT_GT(tag.weightCount(hand), 0);
}

} // namespace
} // namespace flumpet::test
