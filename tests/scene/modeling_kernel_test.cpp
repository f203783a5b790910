#include "mesh_shapes.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

namespace flumpet::test {
namespace {

using host::Polygon;
using host::PolygonObject;
using host::Selection;
using host::Vector;

std::vector<Polygon> polygonsOf(const PolygonObject& o) {
    return {o.polygons().begin(), o.polygons().end()};
}

double area(const PolygonObject& o) {
    double total = 0.0;
    const auto pts = o.points();
    for (const Polygon& p : o.polygons()) {
        const Vector a = pts[p.a], b = pts[p.b], c = pts[p.c], d = pts[p.d];
        total += host::length(host::cross(b - a, c - a)) / 2;
        if (!p.isTriangle()) total += host::length(host::cross(c - a, d - a)) / 2;
    }
    return total;
}

// Two triangles sharing the edge 1-2: 0 (0 1 2) and 1 (1 3 2).
struct TwoTriangles : SceneFixture {
    PolygonObject mesh =
        addMesh("Pair", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2, 2}, {1, 3, 2, 2}});
};

TEST(ModelingKernel, EdgeSplitReachesEveryPolygonOnTheEdge) {
    TwoTriangles f;
    auto k = f.mesh.openModeling();
    ASSERT_TRUE(k);
    const int32_t x = k->splitEdge(2, 1, 0.25);
    EXPECT_EQ(x, 4);
    // Both triangles now hold the new point between 1 and 2.
    for (int32_t polygon : {0, 1}) {
        SCOPED_TRACE(polygon);
        EXPECT_FALSE(k->isValidEdge(polygon, 1, 2));
        EXPECT_TRUE(k->isValidEdge(polygon, 1, x));
        EXPECT_TRUE(k->isValidEdge(polygon, x, 2));
    }
    // The neighbour finds the split point as the plane cut does, instead of splitting again.
    EXPECT_EQ(k->splitEdge(1, 2, 0.5), 0);
    EXPECT_TRUE(k->setPoint(x, {0.5, 0.5, 0}, 0));
    const int32_t cut = k->splitPolygon(0, 0, x);
    EXPECT_EQ(cut, 2);
    EXPECT_FALSE(k->isValidEdge(0, 0, 2));
    EXPECT_TRUE(k->isValidEdge(cut, x, 2));
    ASSERT_TRUE(k->commit(host::modelingflag::CommitUpdate));

    const std::vector<Vector> points(f.mesh.points().begin(), f.mesh.points().end());
    EXPECT_EQ(points, (std::vector<Vector>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0.5, 0.5, 0}}));
    EXPECT_EQ(polygonsOf(f.mesh), (std::vector<Polygon>{{0, 1, 4, 4}, {1, 3, 2, 4}, {4, 2, 0, 0}}));
    EXPECT_DOUBLE_EQ(area(f.mesh), 1.0);
}

TEST(ModelingKernel, DeletingAPointDeletesItsPolygonsAndCompacts) {
    TwoTriangles f;
    Selection s;
    s.select(3);
    f.mesh.setPointSelection(s);
    auto k = f.mesh.openModeling();
    ASSERT_TRUE(k->deletePoint(0));
    EXPECT_FALSE(k->isValidPolygon(0));
    EXPECT_TRUE(k->isValidPolygon(1));
    EXPECT_FALSE(k->deletePoint(0));
    ASSERT_TRUE(k->commit(0));
    EXPECT_EQ(f.mesh.pointCount(), 3);
    EXPECT_EQ(polygonsOf(f.mesh), (std::vector<Polygon>{{0, 2, 1, 1}}));
    EXPECT_EQ(f.mesh.pointSelection().indices(), (std::vector<int32_t>{2}));
}

TEST(ModelingKernel, RefusesWhatIsNotThere) {
    TwoTriangles f;
    auto k = f.mesh.openModeling();
    EXPECT_EQ(k->splitEdge(0, 3, 0.5), 0);  // not an edge
    EXPECT_EQ(k->splitEdge(0, 0, 0.5), 0);  // one point
    EXPECT_EQ(k->splitEdge(0, 9, 0.5), 0);  // no such point
    EXPECT_EQ(k->splitPolygon(0, 0, 1), 0); // neighbours: no diagonal in a triangle
    EXPECT_EQ(k->splitPolygon(7, 0, 1), 0); // no such polygon
    EXPECT_FALSE(k->setPoint(1, {NAN, 0, 0}, 0));
    EXPECT_FALSE(k->isValidEdge(0, 0, 3));
    EXPECT_FALSE(host::PolygonObject(f.addNull("N")).openModeling());
}

TEST(ModelingKernel, CommitTurnsLongLoopsIntoTrianglesWithoutSlivers) {
    SceneFixture f;
    PolygonObject tri = f.addMesh("T", {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}}, {{0, 1, 2, 2}});
    auto k = tri.openModeling();
    ASSERT_NE(k->splitEdge(0, 1, 0.5), 0);
    ASSERT_NE(k->splitEdge(1, 2, 0.5), 0);
    ASSERT_NE(k->splitEdge(2, 0, 0.5), 0);
    ASSERT_TRUE(k->commit(0));
    EXPECT_EQ(tri.polygonCount(), 4);
    EXPECT_TRUE(validPolygons(tri.polygons(), 6));
    const auto pts = tri.points();
    for (const Polygon& p : tri.polygons()) {
        const double a = host::length(host::cross(pts[p.b] - pts[p.a], pts[p.c] - pts[p.a])) / 2;
        EXPECT_NEAR(a, 2.0, 1e-12); // the four triangles of the midpoint subdivision
        EXPECT_GT(host::cross(pts[p.b] - pts[p.a], pts[p.c] - pts[p.a]).z, 0.0); // winding kept
    }
}

TEST(ModelingKernel, CommitFailsWhenTheMeshChangedMeanwhile) {
    TwoTriangles f;
    auto k = f.mesh.openModeling();
    k->deletePoint(0);
    f.mesh.setPoints(std::vector<Vector>(4, Vector{1, 2, 3}));
    EXPECT_FALSE(k->commit(0));
    EXPECT_EQ(f.mesh.polygonCount(), 2);
}

TEST(ModelingKernel, ReleaseDropsTheEdits) {
    TwoTriangles f;
    const std::string before = f.save();
    auto k = f.mesh.openModeling();
    k->deletePoint(0);
    k->release();
    EXPECT_FALSE(k->commit(0));
    EXPECT_EQ(f.save(), before);
}

TEST(ModelingKernel, WeightsFollowTheEditedPoints) {
    TwoTriangles f;
    host::WeightTag weights(f.addTag(f.mesh, host::tagtype::Weight));
    const int32_t j = weights.addJoint(f.add(host::type::Joint, "J"));
    weights.setWeight(j, 1, 1.0);
    weights.setWeight(j, 3, 0.5);
    auto k = f.mesh.openModeling();
    const int32_t x = k->splitEdge(1, 2, 0.25); // 3/4 of point 1, 1/4 of point 2
    k->deletePoint(0);
    ASSERT_TRUE(k->commit(0));
    // Points 1 2 3 x become 0 1 2 3.
    EXPECT_EQ(x, 4);
    EXPECT_EQ(weights.weight(j, 0), 1.0);
    EXPECT_EQ(weights.weight(j, 2), 0.5);
    EXPECT_DOUBLE_EQ(weights.weight(j, 3), 0.75);
    EXPECT_EQ(weights.weightCount(j), 3);
}

// A transaction that edits nothing gives the mesh back as it was, without rewriting it: its
// index stays valid. One that finds a polygon repeating a point still cleans it.
TEST(ModelingKernel, ACommitWithoutEditsKeepsTheMeshAndItsIndex) {
    TwoTriangles f;
    host::WeightTag weights(f.addTag(f.mesh, host::tagtype::Weight));
    const int32_t j = weights.addJoint(f.add(host::type::Joint, "J"));
    weights.setWeight(j, 3, 0.5);
    Selection points, polygon;
    points.select(1);
    points.select(3);
    polygon.select(1);
    ASSERT_TRUE(f.mesh.setPointSelection(points));
    ASSERT_TRUE(f.mesh.setPolygonSelection(polygon));
    auto rays = f.engine.geometry().newRayCollider();
    ASSERT_TRUE(rays->init(f.mesh.id(), true));
    const uint64_t builds = f.engine.geometry().spatialIndexBuilds();
    const std::vector<Polygon> polygons = polygonsOf(f.mesh);

    ASSERT_TRUE(f.mesh.openModeling()->commit(0));
    EXPECT_EQ(polygonsOf(f.mesh), polygons);
    EXPECT_EQ(f.mesh.pointCount(), 4);
    EXPECT_EQ(f.mesh.pointSelection().indices(), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(f.mesh.polygonSelection().indices(), (std::vector<int32_t>{1}));
    EXPECT_EQ(weights.weight(j, 3), 0.5);
    ASSERT_TRUE(rays->init(f.mesh.id(), true));
    EXPECT_EQ(f.engine.geometry().spatialIndexBuilds(), builds);

    // A quad that repeats a point is written back as the triangle it is.
    const std::vector<Vector> corners = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    ASSERT_TRUE(f.mesh.setMesh(corners, std::vector<Polygon>{{0, 1, 2, 2}, {1, 3, 3, 2}}));
    ASSERT_TRUE(f.mesh.openModeling()->commit(0));
    EXPECT_EQ(polygonsOf(f.mesh), (std::vector<Polygon>{{0, 1, 2, 2}, {1, 3, 2, 2}}));
}

// Area of the triangles' parts in front of the plane (each triangle clipped on its own).
double clippedArea(const std::vector<Vector>& points, const std::vector<Polygon>& triangles,
                   const Vector& origin, const Vector& normal) {
    double total = 0.0;
    for (const Polygon& t : triangles) {
        const Vector corners[3] = {points[t.a], points[t.b], points[t.c]};
        std::vector<Vector> kept;
        for (int i = 0; i < 3; ++i) {
            const Vector &p = corners[i], &q = corners[(i + 1) % 3];
            const double dp = host::dot(p - origin, normal), dq = host::dot(q - origin, normal);
            if (dp >= 0) kept.push_back(p);
            if ((dp < 0) != (dq < 0)) kept.push_back(p + (q - p) * (dp / (dp - dq)));
        }
        for (size_t i = 1; i + 1 < kept.size(); ++i)
            total += host::length(host::cross(kept[i] - kept[0], kept[i + 1] - kept[0])) / 2;
    }
    return total;
}

// The plane cut's pattern: split every crossed edge once, cut the crossed polygons, delete the
// points behind, commit. Whatever the plane, the result is made of valid triangles and quads,
// and nothing behind the plane is left.
TEST(ModelingKernel, RandomPlaneCutsLeaveValidMeshes) {
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        SCOPED_TRACE(seed);
        SceneFixture f;
        MeshArrays shape = bumpySphere(12, 8, seed);
        PolygonObject mesh = f.addMesh("S", shape.points, shape.polygons);
        ASSERT_TRUE(mesh.modelingCommand(host::mcommand::Triangulate, host::mcommandmode::All).success);
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        const Vector normal = host::normalise({u(rng), u(rng), u(rng)});
        const Vector origin{u(rng) * 0.5, u(rng) * 0.5, u(rng) * 0.5};
        const auto behind = [&](const Vector& p) { return host::dot(p - origin, normal) < 0.0; };

        const std::vector<Vector> points(mesh.points().begin(), mesh.points().end());
        const std::vector<Polygon> triangles = polygonsOf(mesh);
        auto k = mesh.openModeling();
        std::map<std::pair<int32_t, int32_t>, int32_t> splits;
        for (size_t t = 0; t < triangles.size(); ++t) {
            const int32_t v[3] = {triangles[t].a, triangles[t].b, triangles[t].c};
            int lone = -1;
            for (int i = 0; i < 3; ++i)
                if (behind(points[v[i]]) != behind(points[v[(i + 1) % 3]]) &&
                    behind(points[v[i]]) != behind(points[v[(i + 2) % 3]]))
                    lone = i;
            if (lone < 0) continue;
            int32_t cuts[2];
            for (int e = 0; e < 2; ++e) {
                const int32_t a = v[lone], b = v[(lone + 1 + e) % 3];
                const auto key = std::minmax(a, b);
                if (!splits.count(key)) {
                    const double da = host::dot(points[a] - origin, normal),
                                 db = host::dot(points[b] - origin, normal);
                    const int32_t x = k->splitEdge(a, b, da / (da - db));
                    ASSERT_NE(x, 0);
                    splits[key] = x;
                }
                cuts[e] = splits[key];
            }
            ASSERT_TRUE(k->isValidPolygon(static_cast<int32_t>(t)));
            ASSERT_NE(k->splitPolygon(static_cast<int32_t>(t), cuts[0], cuts[1]), 0);
        }
        for (size_t p = 0; p < points.size(); ++p)
            if (behind(points[p])) {
                ASSERT_TRUE(k->deletePoint(static_cast<int32_t>(p)));
            }
        ASSERT_FALSE(splits.empty()); // the plane passes through the sphere
        ASSERT_TRUE(k->commit(0));

        EXPECT_TRUE(validPolygons(mesh.polygons(), static_cast<size_t>(mesh.pointCount())));
        for (const Vector& p : mesh.points())
            EXPECT_GE(host::dot(p - origin, normal), -1e-9);
        // The split points (after the old points that stay) are all used: none dangles.
        std::vector<int> used(static_cast<size_t>(mesh.pointCount()), 0);
        for (const Polygon& p : mesh.polygons())
            for (int32_t v : {p.a, p.b, p.c, p.d})
                used[static_cast<size_t>(v)] = 1;
        const auto kept = static_cast<size_t>(
            std::count_if(points.begin(), points.end(), [&](const Vector& p) { return !behind(p); }));
        ASSERT_EQ(used.size(), kept + splits.size());
        for (size_t p = kept; p < used.size(); ++p)
            EXPECT_TRUE(used[p]);
        // The surface left is exactly the part of the old one in front of the plane.
        EXPECT_NEAR(area(mesh), clippedArea(points, triangles, origin, normal), 1e-9);
    }
}

} // namespace
} // namespace flumpet::test
