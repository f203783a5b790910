#include "collider_meshes.h"
#include "colliders/box_fitting.h"
#include "module/module_fixture.h"
#include "random.h"

#include <algorithm>

namespace flumpet::test {
namespace {

using host::DescID;
using host::Vector;

constexpr double Radius = 30.0;
// The tube's facets lie this far from its axis at their nearest.
const double InnerRadius = Radius * std::cos(std::numbers::pi / 64);

struct FittingScene : ModuleFixture {
    host::PolygonObject tubeMesh;
    host::Object box;

    FittingScene() {
        seedRandom(11);
        fittingLists().clear();
        const MeshArrays t = tube(Radius, -200, 200, 64, 8);
        tubeMesh = f().addMesh("Body", t.points, t.polygons);
        box = add(host::type::Cube, "Bone_Cube");
    }
    SceneFixture& f() { return *this; }
    Vector size() const { return box.data().getVector(host::primitive::CubeSize); }
    host::Tag addClamp(const host::Object& target) {
        host::Tag tag = addTag(box, host::tagtype::Constraint);
        tag.setParameter(DescID(host::constraint::Target), host::Link{target.id()});
        return tag;
    }
};

float smallest(const std::vector<float>& list) {
    return *std::min_element(list.begin(), list.end());
}

struct TubeCase {
    const char* what;
    host::Matrix meshPlacement; // the tube's global matrix
    host::Matrix boxPlacement;  // the box's global matrix
    double deformedScale;       // the tube's deform cache scales its points (1: no cache)
};

void PrintTo(const TubeCase& c, std::ostream* os) {
    *os << c.what;
}

class TubeFit : public testing::TestWithParam<TubeCase> {};

TEST_P(TubeFit, NearestHitsAreTheTubesRadius) {
    FittingScene f;
    const TubeCase& c = GetParam();
    f.tubeMesh.setGlobalMatrix(c.meshPlacement);
    f.box.setGlobalMatrix(c.boxPlacement);
    if (c.deformedScale != 1.0) {
        std::vector<Vector> deformed(f.tubeMesh.points().begin(), f.tubeMesh.points().end());
        for (Vector& p : deformed) p = {p.x * c.deformedScale, p.y, p.z * c.deformedScale};
        ASSERT_TRUE(f.engine.geometry().setDeformedPoints(f.tubeMesh.id(), deformed));
    }

    const FittingLists copy = geRaySolver({}, f.tubeMesh, f.box);

    const FittingLists& lists = fittingLists();
    EXPECT_EQ(copy.x, lists.x);
    EXPECT_EQ(copy.z, lists.z);
    ASSERT_EQ(lists.x.size(), 21u);
    ASSERT_EQ(lists.z.size(), 21u);
    EXPECT_EQ(lists.x.front(), 100.0F);
    EXPECT_EQ(lists.z.front(), 100.0F);
    const double radius = Radius * c.deformedScale;
    // Scattered rays meet the wall a little beyond the nearest facet, never before it.
    EXPECT_NEAR(2 * smallest(lists.x), 2 * radius, 0.01 * radius);
    EXPECT_NEAR(2 * smallest(lists.z), 2 * radius, 0.01 * radius);
    EXPECT_GE(smallest(lists.x), InnerRadius * c.deformedScale - 1e-3);
}

host::Matrix turnedAndMoved() {
    host::Matrix m = host::rotationFromHpb({0.4, 0.9, -0.3});
    m.off = {50, -20, 70};
    return m;
}

INSTANTIATE_TEST_SUITE_P(Cases, TubeFit,
                         testing::Values(TubeCase{"at the origin", {}, {}, 1.0},
                                         TubeCase{"turned and moved with the tube", turnedAndMoved(), turnedAndMoved(), 1.0},
                                         TubeCase{"against the mesh as deformed", {}, {}, 1.5}));

TEST(BoxFitting, RaysThatMissLeaveOnlyTheFirstEntries) {
    FittingScene f;
    f.box.setGlobalMatrix(host::Matrix{{1000, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    // Far beside the tube: no ray reaches it within 555 units.
    geRaySolver({}, f.tubeMesh, f.box);
    EXPECT_EQ(fittingLists().x, std::vector<float>{100.0F});
    EXPECT_EQ(fittingLists().z, std::vector<float>{100.0F});
}

TEST(BoxFitting, ListsAccumulateOverMeshesUntilEmptied) {
    FittingScene f;
    geRaySolver({}, f.tubeMesh, f.box);
    geRaySolver({}, f.tubeMesh, f.box);
    EXPECT_EQ(fittingLists().x.size(), 42u);
    EXPECT_EQ(fittingLists().x[21], 100.0F);
    fittingLists().clear();
    EXPECT_FALSE(fittingLists().filled());
}

TEST(BoxFitting, ARayColliderOnANonMeshHitsNothing) {
    FittingScene f;
    const host::Object null = f.addNull("Null");
    geRaySolver({}, null, f.box);
    EXPECT_EQ(fittingLists().x, std::vector<float>{100.0F});
    EXPECT_EQ(fittingLists().z, std::vector<float>{100.0F});
}

TEST(SimpleSolver, WithoutAClampConstraintAnswersOneAndChangesNothing) {
    FittingScene f;
    const std::string before = f.save();
    EXPECT_EQ(simpleSolver(f.box), 1.0F);
    EXPECT_EQ(simpleSolver({}), 1.0F);
    EXPECT_EQ(f.save(), before);
}

TEST(SimpleSolver, MakesTheBoxThreeTimesItsDistanceWideAndUndoKeepsTheTag) {
    FittingScene f;
    f.box.setParameter(DescID(host::primitive::CubeSize), Vector{10, 80, 10});
    f.box.setGlobalMatrix(host::Matrix{{0, 5, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    const host::Tag tag = f.addClamp(f.tubeMesh);
    const std::string before = f.save();

    f.doc.startUndo();
    const float d = simpleSolver(f.box);
    f.doc.endUndo();

    EXPECT_NEAR(d, InnerRadius, 1e-3);
    const Vector size = f.size();
    EXPECT_FLOAT_EQ(size.x, 3 * d);
    EXPECT_EQ(size.y, 80.0);
    EXPECT_FLOAT_EQ(size.z, 3 * d);
    EXPECT_EQ(tag.data().getInt(host::constraint::Measure, -1), 0);
    const std::string after = f.save();
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_TRUE(tag.alive());
    EXPECT_EQ(f.save(), before);
    ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), after);
}

} // namespace
} // namespace flumpet::test
