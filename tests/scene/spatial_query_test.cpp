#include "mesh_shapes.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace flumpet::test {
namespace {

using host::MeshPrimitiveInfo;
using host::Polygon;
using host::PolygonObject;
using host::RayHit;
using host::Vector;

// --- Brute force, written independently of the engine -------------------------------------------

struct Triangle {
    Vector a, b, c;
    int32_t polygon;
    bool second;
};

std::vector<Triangle> trianglesOf(const MeshArrays& m, const host::Matrix& placement = {}) {
    std::vector<Triangle> out;
    const auto at = [&](int32_t i) { return placement * m.points[static_cast<size_t>(i)]; };
    for (size_t i = 0; i < m.polygons.size(); ++i) {
        const Polygon& p = m.polygons[i];
        out.push_back({at(p.a), at(p.b), at(p.c), static_cast<int32_t>(i), false});
        if (!p.isTriangle()) out.push_back({at(p.a), at(p.c), at(p.d), static_cast<int32_t>(i), true});
    }
    return out;
}

// Moller-Trumbore: distance along a unit direction, or infinity.
double rayDistance(const Vector& o, const Vector& d, const Triangle& t) {
    const Vector e1 = t.b - t.a, e2 = t.c - t.a, p = host::cross(d, e2);
    const double det = host::dot(e1, p);
    if (std::abs(det) < 1e-15) return INFINITY;
    const Vector s = o - t.a;
    const double u = host::dot(s, p) / det;
    const Vector q = host::cross(s, e1);
    const double v = host::dot(d, q) / det;
    if (u < 0 || v < 0 || u + v > 1) return INFINITY;
    const double dist = host::dot(e2, q) / det;
    return dist >= 0 ? dist : INFINITY;
}

Vector closestOnSegment(const Vector& p, const Vector& a, const Vector& b) {
    const Vector ab = b - a;
    const double t = std::clamp(host::dot(p - a, ab) / host::dot(ab, ab), 0.0, 1.0);
    return a + ab * t;
}

// Projection onto the plane when it falls inside, else the nearest edge point.
double pointDistance(const Vector& p, const Triangle& t) {
    const Vector n = host::normalise(host::cross(t.b - t.a, t.c - t.a));
    const Vector q = p - n * host::dot(p - t.a, n);
    const auto side = [&](const Vector& x, const Vector& y) {
        return host::dot(host::cross(y - x, q - x), n);
    };
    if (side(t.a, t.b) >= 0 && side(t.b, t.c) >= 0 && side(t.c, t.a) >= 0) return host::length(p - q);
    return std::min({host::length(p - closestOnSegment(p, t.a, t.b)),
                     host::length(p - closestOnSegment(p, t.b, t.c)),
                     host::length(p - closestOnSegment(p, t.c, t.a))});
}

int32_t decode(int64_t k) {
    return static_cast<int32_t>(k < 0 ? -1 - k : k - 1);
}

Vector randomUnit(std::mt19937& rng) {
    std::normal_distribution<double> n;
    return host::normalise({n(rng), n(rng), n(rng)});
}

// --- Rays ---------------------------------------------------------------------------------------

/// The same surface with every quad split along a to c: a mesh of triangles only.
MeshArrays triangulated(const MeshArrays& m) {
    MeshArrays out{m.points, {}};
    for (const Polygon& p : m.polygons) {
        out.polygons.push_back({p.a, p.b, p.c, p.c});
        if (!p.isTriangle()) out.polygons.push_back({p.a, p.c, p.d, p.d});
    }
    return out;
}

/// Casts 300 rays at the mesh, from outside and inside, and compares every hit with brute force.
void expectRaysAgreeWithBruteForce(const MeshArrays& shape, unsigned seed) {
    SceneFixture f;
    PolygonObject mesh = f.addMesh("S", shape.points, shape.polygons);
    const std::vector<Triangle> triangles = trianglesOf(shape);
    auto collider = f.engine.geometry().newRayCollider();
    ASSERT_TRUE(collider->init(mesh.id(), true));

    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-0.3, 0.3);
    int hits = 0;
    for (int i = 0; i < 300; ++i) {
        // From outside toward a point inside, from inside outward, and some that miss.
        Vector origin, direction;
        switch (i % 3) {
        case 0:
            origin = randomUnit(rng) * 3.0;
            direction = host::normalise(Vector{u(rng), u(rng), u(rng)} - origin);
            break;
        case 1:
            origin = {u(rng), u(rng), u(rng)};
            direction = randomUnit(rng);
            break;
        default:
            origin = randomUnit(rng) * 3.0;
            direction = host::normalise(origin);
            break;
        }
        const double length = 10.0;
        double best = INFINITY, second = INFINITY;
        int32_t bestPolygon = -1;
        for (const Triangle& t : triangles) {
            const double d = rayDistance(origin, direction, t);
            if (d < best) {
                second = best;
                best = d;
                bestPolygon = t.polygon;
            } else if (d < second) {
                second = d;
            }
        }
        const bool expected = best <= length;
        ASSERT_EQ(collider->intersect(origin, direction, length, false), expected) << "ray " << i;
        RayHit hit;
        ASSERT_EQ(collider->nearestIntersection(hit), expected);
        if (!expected) continue;
        ++hits;
        EXPECT_NEAR(hit.distance, best, 1e-9 * std::max(1.0, best)) << "ray " << i;
        EXPECT_NEAR(host::length(hit.position - (origin + direction * best)), 0.0, 1e-9);
        if (second - best > 1e-6) {
            EXPECT_EQ(hit.polygon, bestPolygon) << "ray " << i;
        }
        EXPECT_EQ(hit.backface, i % 3 == 1) << "ray " << i; // the closed sphere faces outward
    }
    EXPECT_GE(hits, 200);
}

TEST(RayCollider, AgreesWithBruteForceOnRandomMeshes) {
    for (unsigned seed : {11u, 12u, 13u, 14u, 15u}) {
        SCOPED_TRACE(seed);
        expectRaysAgreeWithBruteForce(bumpySphere(17, 11, seed), seed);
        // Triangles only: indexed without triangle records of its own.
        SCOPED_TRACE("triangles only");
        expectRaysAgreeWithBruteForce(triangulated(bumpySphere(17, 11, seed)), seed);
    }
}

TEST(RayCollider, NormalisesTheDirectionSoLengthIsADistance) {
    SceneFixture f;
    const MeshArrays grid = quadGrid(2, 2);
    PolygonObject mesh = f.addMesh("G", grid.points, grid.polygons);
    auto collider = f.engine.geometry().newRayCollider();
    ASSERT_TRUE(collider->init(mesh.id(), false));
    const Vector origin{0.5, 1.5, 3.0};
    // Direction of length 10: the plane lies 3 away, within 4 but not within 2.5.
    EXPECT_FALSE(collider->intersect(origin, {0, 0, -10}, 2.5, false));
    ASSERT_TRUE(collider->intersect(origin, {0, 0, -10}, 4.0, false));
    RayHit hit;
    ASSERT_TRUE(collider->nearestIntersection(hit));
    EXPECT_DOUBLE_EQ(hit.distance, 3.0);
    EXPECT_EQ(hit.position, (Vector{0.5, 1.5, 0.0}));
    EXPECT_EQ(hit.polygon, 2);
    EXPECT_FALSE(hit.backface);
    EXPECT_FALSE(collider->intersect(origin, {0, 0, 0}, 10.0, false)); // no direction, no hit
    // Test-only answers hit or miss and keeps no hit to ask for.
    EXPECT_TRUE(collider->intersect(origin, {0, 0, -1}, 4.0, true));
    EXPECT_FALSE(collider->nearestIntersection(hit));
}

TEST(RayCollider, WorksInObjectCoordinatesAndOnlyOnPolygonObjects) {
    SceneFixture f;
    const MeshArrays grid = quadGrid(1, 1);
    PolygonObject mesh = f.addMesh("G", grid.points, grid.polygons);
    mesh.setLocalPosition({100, 0, 0});
    auto collider = f.engine.geometry().newRayCollider();
    ASSERT_TRUE(collider->init(mesh.id(), false));
    EXPECT_TRUE(collider->intersect({0.5, 0.5, 1}, {0, 0, -1}, 2.0, false));
    EXPECT_FALSE(collider->init(f.addNull("N").id(), false));
    EXPECT_FALSE(collider->intersect({0.5, 0.5, 1}, {0, 0, -1}, 2.0, false));
}

TEST(SpatialIndex, IsBuiltOncePerMeshState) {
    SceneFixture f;
    const MeshArrays shape = bumpySphere(8, 6, 3);
    PolygonObject mesh = f.addMesh("S", shape.points, shape.polygons);
    const uint64_t before = f.engine.geometry().spatialIndexBuilds();
    auto a = f.engine.geometry().newRayCollider();
    auto b = f.engine.geometry().newRayCollider();
    auto c = f.engine.geometry().newDistanceQuery();
    ASSERT_TRUE(a->init(mesh.id(), true));
    ASSERT_TRUE(b->init(mesh.id(), true));
    ASSERT_TRUE(c->init(mesh.id()));
    host::Object copy = mesh.clone(); // same content, same index
    ASSERT_TRUE(a->init(copy.id(), true));
    EXPECT_EQ(f.engine.geometry().spatialIndexBuilds(), before + 1);

    std::vector<Vector> moved(mesh.points().begin(), mesh.points().end());
    for (Vector& p : moved)
        p = p * 2.0;
    mesh.setPoints(moved);
    ASSERT_TRUE(a->init(mesh.id(), false));
    EXPECT_EQ(f.engine.geometry().spatialIndexBuilds(), before + 2);
    // The earlier collider keeps answering for the mesh as it was when it was initialised.
    RayHit hit;
    ASSERT_TRUE(b->intersect({0, 0, 0}, {1, 0, 0}, 10, false));
    ASSERT_TRUE(b->nearestIntersection(hit));
    EXPECT_LT(hit.distance, 1.3);
    ASSERT_TRUE(a->intersect({0, 0, 0}, {1, 0, 0}, 10, false));
    ASSERT_TRUE(a->nearestIntersection(hit));
    EXPECT_GT(hit.distance, 1.5);
    copy.free();
}

// --- Closest polygon ----------------------------------------------------------------------------

TEST(DistanceQuery, AgreesWithBruteForceOnRandomMeshes) {
    struct Placement {
        const char* name;
        host::Matrix m;
    };
    host::Matrix rigid = host::rotationFromHpb({0.3, -0.7, 1.1});
    rigid.off = {4, -2, 7};
    host::Matrix sheared{{1, 2, 3}, {2, 0, 0}, {0.5, 1, 0}, {0, 0, 0.5}};
    const Placement placements[] = {{"identity", {}}, {"rigid", rigid}, {"sheared", sheared}};
    for (unsigned seed : {21u, 22u, 23u}) {
        for (const Placement& placement : placements) {
            SCOPED_TRACE(std::to_string(seed) + " " + placement.name);
            SceneFixture f;
            const MeshArrays shape = bumpySphere(15, 9, seed);
            PolygonObject mesh = f.addMesh("S", shape.points, shape.polygons);
            mesh.setLocalMatrix(placement.m);
            const std::vector<Triangle> triangles = trianglesOf(shape, placement.m);
            auto query = f.engine.geometry().newDistanceQuery();
            ASSERT_TRUE(query->init(mesh.id()));

            std::mt19937 rng(seed);
            for (int i = 0; i < 200; ++i) {
                const Vector point =
                    placement.m * (randomUnit(rng) * std::uniform_real_distribution<double>(0, 2.5)(rng));
                double best = INFINITY, second = INFINITY;
                int32_t bestPolygon = -1;
                for (const Triangle& t : triangles) {
                    const double d = pointDistance(point, t);
                    if (t.polygon == bestPolygon) {
                        best = std::min(best, d);
                    } else if (d < best) {
                        second = best;
                        best = d;
                        bestPolygon = t.polygon;
                    } else if (d < second) {
                        second = d;
                    }
                }
                MeshPrimitiveInfo info;
                info.type = host::meshprimitive::Polygon;
                double distance = -1;
                ASSERT_TRUE(query->closestMeshPrimitive(point, info, distance));
                EXPECT_NEAR(distance, best, 1e-9) << "point " << i;
                EXPECT_NEAR(host::length(info.point - point), best, 1e-9);
                if (second - best > 1e-9) {
                    EXPECT_EQ(decode(info.k), bestPolygon) << "point " << i;
                }
            }
        }
    }
}

TEST(DistanceQuery, ScansAFewQueriesThenBuildsTheIndexWithTheSameAnswers) {
    SceneFixture f;
    const MeshArrays shape = bumpySphere(15, 9, 5);
    PolygonObject mesh = f.addMesh("S", shape.points, shape.polygons);
    host::Matrix sheared{{1, 2, 3}, {2, 0, 0}, {0.5, 1, 0}, {0, 0, 0.5}};
    for (const host::Matrix& placement : {host::Matrix{}, sheared}) {
        mesh.setLocalMatrix(placement);
        const uint64_t before = f.engine.geometry().spatialIndexBuilds();
        std::mt19937 rng(7);
        std::vector<Vector> points;
        for (int i = 0; i < 40; ++i)
            points.push_back(placement *
                             (randomUnit(rng) * std::uniform_real_distribution<double>(0, 2.5)(rng)));
        const auto ask = [](host::DistanceQuery& query, const Vector& point) {
            MeshPrimitiveInfo info;
            info.type = host::meshprimitive::Polygon;
            double distance = -1;
            EXPECT_TRUE(query.closestMeshPrimitive(point, info, distance));
            return std::pair(info, distance);
        };
        // A query asked once scans and builds nothing.
        std::vector<std::pair<MeshPrimitiveInfo, double>> scanned;
        for (const Vector& point : points) {
            auto once = f.engine.geometry().newDistanceQuery();
            ASSERT_TRUE(once->init(mesh.id()));
            scanned.push_back(ask(*once, point));
        }
        EXPECT_EQ(f.engine.geometry().spatialIndexBuilds(), before);
        // A query asked many times builds its index after a few scans, and answers alike.
        auto longLived = f.engine.geometry().newDistanceQuery();
        ASSERT_TRUE(longLived->init(mesh.id()));
        for (size_t i = 0; i < points.size(); ++i) {
            const auto [info, distance] = ask(*longLived, points[i]);
            EXPECT_EQ(info.k, scanned[i].first.k) << "point " << i;
            EXPECT_DOUBLE_EQ(distance, scanned[i].second) << "point " << i;
            EXPECT_NEAR(host::length(info.point - scanned[i].first.point), 0.0, 1e-12) << "point " << i;
        }
        EXPECT_EQ(f.engine.geometry().spatialIndexBuilds(), before + 1);
    }
}

TEST(DistanceQuery, TellsTheTriangleOfAQuadBySign) {
    SceneFixture f;
    PolygonObject mesh =
        f.addMesh("Q", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 0, 0}, {6, 0, 0}, {5, 1, 0}},
                  {{0, 1, 2, 3}, {4, 5, 6, 6}});
    auto query = f.engine.geometry().newDistanceQuery();
    ASSERT_TRUE(query->init(mesh.id()));
    struct Case {
        Vector point;
        int64_t k;
        double distance;
    };
    const Case cases[] = {
        {{0.8, 0.2, 1}, 1, 1.0},  // over a, b, c
        {{0.2, 0.8, 2}, -1, 2.0}, // over a, c, d
        {{5.2, 0.2, -3}, 2, 3.0}, // the triangle
    };
    for (const Case& c : cases) {
        MeshPrimitiveInfo info;
        info.type = host::meshprimitive::Polygon;
        double distance = 0;
        ASSERT_TRUE(query->closestMeshPrimitive(c.point, info, distance));
        EXPECT_EQ(info.k, c.k);
        EXPECT_DOUBLE_EQ(distance, c.distance);
    }
    MeshPrimitiveInfo other;
    other.type = 1;
    double distance = 0;
    EXPECT_FALSE(query->closestMeshPrimitive({0, 0, 0}, other, distance));
    EXPECT_FALSE(query->init(f.add(host::type::Spline, "S").id()));
}

// --- Segment and plane --------------------------------------------------------------------------

TEST(IntersectSegmentPlane, FindsTheCrossingWithinTolerance) {
    struct Case {
        const char* name;
        Vector p1, p2;
        bool found;
        Vector at;
    };
    const Vector planePoint{0, 0, 1}, normal{0, 0, 5}; // any length
    const Case cases[] = {
        {"crossing", {0, 0, 0}, {2, 0, 4}, true, {0.5, 0, 1}},
        {"both above", {0, 0, 2}, {1, 0, 3}, false, {}},
        {"ends on the plane", {3, 0, 0}, {3, 0, 1}, true, {3, 0, 1}},
        {"starts within tolerance", {1, 1, 1.00005}, {1, 1, 5}, true, {1, 1, 1.00005}},
        {"parallel in the plane", {0, 0, 1}, {1, 0, 1}, true, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vector out;
        ASSERT_EQ(host::intersectSegmentPlane(c.p1, c.p2, planePoint, normal, 0.0001, out), c.found);
        if (c.found) {
            EXPECT_NEAR(host::length(out - c.at), 0.0, 1e-12);
        }
    }
    Vector out;
    EXPECT_FALSE(host::intersectSegmentPlane({0, 0, 0}, {0, 0, 2}, planePoint, {0, 0, 0}, 0.0001, out));
}

} // namespace
} // namespace flumpet::test
