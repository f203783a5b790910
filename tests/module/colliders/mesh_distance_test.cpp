#include "collider_meshes.h"
#include "colliders/mesh_distance.h"
#include "module/module_fixture.h"

namespace flumpet::test {
namespace {

using host::Vector;

TEST(MeshDistance, AnObjectThatIsNoMeshIsReported) {
    SceneFixture f;
    const host::Object probe = f.addNull("Probe");
    const host::Object spline = f.addSpline("Path", {{0, 0, 0}, {1, 0, 0}});
    for (const host::Object& notMesh : {spline, f.addNull("Empty")}) {
        f.engine.feedback().consoleLines.clear();
        const MeshDistance d = meshDistance(probe, notMesh);
        EXPECT_EQ(d.distance, 4.0F);
        EXPECT_EQ(d.polygon, 2147483647);
        EXPECT_EQ(f.engine.feedback().consoleLines,
                  std::vector<std::string>{"Flumpet Error: node is not IsInstanceOf(Opolygon)"});
    }
}

struct NearestCase {
    const char* what;
    Vector probe; // world position
    int64_t polygon;
    float distance;
};

void PrintTo(const NearestCase& c, std::ostream* os) {
    *os << c.what;
}

class MeshDistanceNearest : public testing::TestWithParam<NearestCase> {};

TEST_P(MeshDistanceNearest, GivesThePolygonAndHowFarItIs) {
    SceneFixture f;
    const NearestCase& c = GetParam();
    // Three unit quads along X, moved 10 up: cell i spans x from i to i + 1.
    const MeshArrays grid = quadGrid(3, 1);
    const host::PolygonObject mesh = f.addMesh("Grid", grid.points, grid.polygons);
    mesh.setGlobalMatrix(host::Matrix{{0, 0, 10}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    const host::Object probe = f.addNull("Probe");
    probe.setGlobalMatrix(host::Matrix{c.probe, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});

    const MeshDistance d = meshDistance(probe, mesh);
    EXPECT_EQ(d.polygon, c.polygon);
    EXPECT_FLOAT_EQ(d.distance, c.distance);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeshDistanceNearest,
    testing::Values(NearestCase{"over a quad's first triangle", {1.8, 0.2, 12}, 1, 2.0F},
                    NearestCase{"over a quad's second triangle", {2.2, 0.8, 7}, 2, 3.0F},
                    NearestCase{"beside the mesh", {-3, 0.5, 10}, 0, 3.0F}));

TEST(MeshDistance, MeasuresTheMeshAsDeformed) {
    SceneFixture f;
    const MeshArrays grid = quadGrid(1, 1);
    const host::PolygonObject mesh = f.addMesh("Grid", grid.points, grid.polygons);
    std::vector<Vector> lifted = grid.points;
    for (Vector& p : lifted) p.z += 4;
    ASSERT_TRUE(f.engine.geometry().setDeformedPoints(mesh.id(), lifted));
    const host::Object probe = f.addNull("Probe");
    probe.setGlobalMatrix(host::Matrix{{0.5, 0.5, 5}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    EXPECT_FLOAT_EQ(meshDistance(probe, mesh).distance, 1.0F);
}

TEST(MeshDistance, AMeshWithoutPolygonsHasNoNearestPolygon) {
    SceneFixture f;
    const host::PolygonObject mesh = f.addMesh("Points", {{0, 0, 0}}, {});
    const MeshDistance d = meshDistance(f.addNull("Probe"), mesh);
    EXPECT_EQ(d.polygon, NoPolygon);
    EXPECT_EQ(d.distance, 4.0F);
}

} // namespace
} // namespace flumpet::test
