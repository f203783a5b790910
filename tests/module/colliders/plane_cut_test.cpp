#include "collider_meshes.h"
#include "colliders/plane_cut.h"
#include "module/module_fixture.h"

#include <algorithm>
#include <map>

namespace flumpet::test {
namespace {

using host::Polygon;
using host::Vector;

struct PlaneCase {
    const char* what;
    MeshArrays mesh;
    Vector p0, n;
    bool selectedOnly;
    std::vector<int32_t> selectedPoints, selectedPolygons;
    int32_t points, polygons; // expected after the cut
    double area;              // expected surface area after the cut
};

void PrintTo(const PlaneCase& c, std::ostream* os) {
    *os << c.what;
}

class PlaneCut : public testing::TestWithParam<PlaneCase> {};

// Two triangles sharing the diagonal (0,0)-(2,2) of a 2 by 2 square.
const MeshArrays square{{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {{0, 1, 2, 2}, {0, 2, 3, 3}}};

TEST_P(PlaneCut, KeepsWhatLiesInFrontOfThePlane) {
    SceneFixture f;
    const PlaneCase& c = GetParam();
    host::PolygonObject mesh = f.addMesh("Mesh", c.mesh.points, c.mesh.polygons);
    host::Selection points, polygons;
    for (int32_t i : c.selectedPoints) points.select(i);
    for (int32_t i : c.selectedPolygons) polygons.select(i);
    mesh.setPointSelection(points);
    mesh.setPolygonSelection(polygons);

    ASSERT_TRUE(cutByPlane(mesh, c.p0, c.n, c.selectedOnly));

    EXPECT_EQ(mesh.pointCount(), c.points);
    EXPECT_EQ(mesh.polygonCount(), c.polygons);
    EXPECT_TRUE(validPolygons(mesh.polygons(), mesh.points().size()));
    EXPECT_NEAR(surfaceArea(mesh.points(), mesh.polygons()), c.area, 1e-9);
    EXPECT_TRUE(f.engine.feedback().consoleLines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaneCut,
    testing::Values(
        PlaneCase{"a plane that misses leaves the mesh as it was", square, {0, -1, 0}, {0, 1, 0}, false, {}, {}, 4, 2, 4.0},
        PlaneCase{"every point behind empties the mesh", square, {0, 5, 0}, {0, 1, 0}, false, {}, {}, 0, 0, 0.0},
        // (-1,-1) is alone behind x = 0, (0,1) lies on the plane and stays: half of the triangle
        // remains, and its first cut point falls on (0,1).
        PlaneCase{"a vertex on the plane is not behind",
                  {{{-1, -1, 0}, {0, 1, 0}, {1, -1, 0}}, {{0, 1, 2, 2}}}, {0, 0, 0}, {1, 0, 0}, false, {}, {}, 4, 1, 1.0},
        // x = 1 crosses both triangles and their shared diagonal: three edges are split, the
        // diagonal once for both.
        PlaneCase{"two triangles share the split of their common edge", square, {1, 0, 0}, {1, 0, 0}, false, {}, {}, 5, 2, 2.0},
        // Only point 3 (behind) and triangle 1 are selected: point 0 stays though it is
        // behind, triangle 0 is not split, and deleting point 3 takes triangle 1's far part.
        PlaneCase{"only the selection is cut", square, {1, 0, 0}, {1, 0, 0}, true, {3}, {1}, 5, 2, 2.0 + 0.5}));

TEST(PlaneCutClosedMesh, EndsOnThePlaneAndKeepsNothingBehindIt) {
    SceneFixture f;
    const MeshArrays sphere = triangulated(bumpySphere(24, 16, 7));
    host::PolygonObject mesh = f.addMesh("Sphere", sphere.points, sphere.polygons);
    // Placed away from the origin and turned, so the cut works in world space.
    host::Matrix placement = host::rotationFromHpb({0.3, -0.5, 0.2});
    placement.off = {5, -2, 3};
    mesh.setGlobalMatrix(placement);
    const Vector p0 = placement * Vector{0.1, 0.2, -0.1}, n{1, 2, -0.5};
    const int32_t before = mesh.pointCount();

    ASSERT_TRUE(cutByPlane(mesh, p0, n, false));

    const auto points = mesh.points();
    const auto polygons = mesh.polygons();
    ASSERT_TRUE(validPolygons(polygons, points.size()));
    ASSERT_GT(polygons.size(), 0u);
    for (size_t i = 0; i < points.size(); ++i) {
        const double d = planeDistance(placement * points[i], p0, n);
        EXPECT_GE(d, -1e-9) << "point " << i << " survived behind the plane";
        // Original points keep their index order; the new ones come after them and lie on it.
        if (static_cast<int32_t>(i) >= before) {
            EXPECT_NEAR(d, 0.0, 1e-9) << "new point " << i;
        }
    }
    // The surface ends on the plane: every open edge joins two points on it.
    std::map<std::pair<int32_t, int32_t>, int> edges;
    for (const Polygon& p : polygons) {
        const std::vector<int32_t> v = p.isTriangle() ? std::vector<int32_t>{p.a, p.b, p.c}
                                                      : std::vector<int32_t>{p.a, p.b, p.c, p.d};
        for (size_t k = 0; k < v.size(); ++k) {
            const int32_t a = v[k], b = v[(k + 1) % v.size()];
            ++edges[{std::min(a, b), std::max(a, b)}];
        }
    }
    int open = 0;
    for (const auto& [edge, uses] : edges) {
        if (uses != 1) continue;
        ++open;
        EXPECT_NEAR(planeDistance(placement * points[static_cast<size_t>(edge.first)], p0, n), 0.0, 1e-9);
        EXPECT_NEAR(planeDistance(placement * points[static_cast<size_t>(edge.second)], p0, n), 0.0, 1e-9);
    }
    EXPECT_GT(open, 0);
}

TEST(PlaneCutFailure, AnObjectWithoutMeshReportsThatNoTransactionOpened) {
    SceneFixture f;
    const host::Object null = f.addNull("Null");
    EXPECT_FALSE(cutByPlane(null, {}, {0, 1, 0}, false));
    EXPECT_EQ(f.engine.feedback().consoleLines, std::vector<std::string>{"modeling alloc failed"});
}

TEST(PlaneSide, APointOnThePlaneIsNotBehind) {
    const Vector p0{1, 2, 3}, n{0, 0, 2};
    EXPECT_FALSE(isBehindPlane(p0, p0, n));
    EXPECT_FALSE(isBehindPlane({7, -4, 3}, p0, n));
    EXPECT_TRUE(isBehindPlane({1, 2, 2.999}, p0, n));
    EXPECT_FALSE(isBehindPlane({1, 2, 3.001}, p0, n));
    // A zero normal keeps everything.
    EXPECT_FALSE(isBehindPlane({0, 0, -9}, p0, {}));
}

} // namespace
} // namespace flumpet::test
