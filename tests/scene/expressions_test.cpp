#include "scene/scene_fixture.h"
#include "scene/mesh_shapes.h"

namespace flumpet::test {
namespace {

using host::DescID;
using host::Vector;

TEST(Primitives, NewOnesCarryTheirDefaultSizes) {
    SceneFixture f;
    const auto value = [&](int32_t type, int32_t id) {
        host::Value v;
        EXPECT_TRUE(f.add(type, "P").getParameter(DescID(id), v)) << type << "/" << id;
        return v;
    };
    EXPECT_EQ(std::get<Vector>(value(host::type::Cube, host::primitive::CubeSize)), (Vector{200, 200, 200}));
    EXPECT_EQ(std::get<double>(value(host::type::Sphere, host::primitive::SphereRadius)), 100.0);
    EXPECT_EQ(std::get<double>(value(host::type::Cylinder, host::primitive::CylinderRadius)), 50.0);
    EXPECT_EQ(std::get<double>(value(host::type::Cylinder, host::primitive::CylinderHeight)), 200.0);
    EXPECT_EQ(std::get<double>(value(host::type::Cone, host::primitive::ConeBottomRadius)), 100.0);
    EXPECT_EQ(std::get<double>(value(host::type::Cone, host::primitive::ConeHeight)), 200.0);
    // A fresh cube's size can be changed component by component.
    const host::Object cube = f.add(host::type::Cube, "Box");
    ASSERT_TRUE(cube.setParameter(DescID({host::primitive::CubeSize}, {host::param::VectorY}), 30.0));
    EXPECT_EQ(cube.data().getVector(host::primitive::CubeSize), (Vector{200, 30, 200}));
}

TEST(Parameters, SecondLevelReachesSubContainerEntries) {
    SceneFixture f;
    const host::Tag tag = f.addTag(f.addNull("Owner"), host::tagtype::Constraint);
    ASSERT_TRUE(tag.setParameter(DescID({host::constraint::ClampSettings}, {host::constraint::ClampMode}), int32_t{4}));
    ASSERT_TRUE(tag.setParameter(DescID({host::constraint::ClampSettings}, {7}), 2.5));
    const host::Container clamp = tag.data().getContainer(host::constraint::ClampSettings);
    EXPECT_EQ(clamp.getInt(host::constraint::ClampMode), 4);
    EXPECT_EQ(clamp.getFloat(7), 2.5);
    host::Value v;
    ASSERT_TRUE(tag.getParameter(DescID({host::constraint::ClampSettings}, {7}), v));
    EXPECT_EQ(std::get<double>(v), 2.5);
    EXPECT_FALSE(tag.getParameter(DescID({host::constraint::ClampSettings}, {8}), v));
}

struct ClampScene : SceneFixture {
    host::PolygonObject floor;
    host::Object box = add(host::type::Cube, "Box");
    host::Tag tag = addTag(box, host::tagtype::Constraint);

    ClampScene() {
        const MeshArrays grid = quadGrid(4, 4);
        floor = addMesh("Floor", grid.points, grid.polygons);
        box.setGlobalMatrix(host::Matrix{{1, 1, 6}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
        tag.setParameter(DescID(host::constraint::Target), host::Link{floor.id()});
    }
    void measure(bool on) { tag.setParameter(DescID(host::constraint::Measure), int32_t{on ? 1 : 0}); }
    double measured() const {
        return tag.data().getContainer(host::constraint::ClampSettings).getFloat(host::constraint::MeasuredDistance, -1);
    }
};

TEST(ClampConstraint, MeasuresTheDistanceToItsTargetOnlyWhileSwitchedOn) {
    ClampScene f;
    f.engine.updateScene(f.doc.id());
    EXPECT_EQ(f.measured(), -1.0);

    f.measure(true);
    f.engine.updateScene(f.doc.id());
    EXPECT_DOUBLE_EQ(f.measured(), 6.0);

    // The mesh as deformed counts, and the value follows the object.
    std::vector<Vector> raised(f.floor.points().begin(), f.floor.points().end());
    for (Vector& p : raised) p.z += 2;
    ASSERT_TRUE(f.engine.geometry().setDeformedPoints(f.floor.id(), raised));
    f.engine.evaluate(f.doc.id());
    EXPECT_DOUBLE_EQ(f.measured(), 4.0);

    f.measure(false);
    f.box.setGlobalMatrix(host::Matrix{{1, 1, 30}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    f.engine.updateScene(f.doc.id());
    EXPECT_DOUBLE_EQ(f.measured(), 4.0);
}

TEST(ClampConstraint, AMissingOrWrongTargetKeepsTheLastValue) {
    ClampScene f;
    f.measure(true);
    f.engine.updateScene(f.doc.id());
    ASSERT_DOUBLE_EQ(f.measured(), 6.0);
    f.tag.setParameter(DescID(host::constraint::Target), host::Link{f.addNull("Null").id()});
    f.engine.updateScene(f.doc.id());
    EXPECT_DOUBLE_EQ(f.measured(), 6.0);
    f.floor.remove();
    f.tag.setParameter(DescID(host::constraint::Target), host::Link{f.floor.id()});
    f.engine.updateScene(f.doc.id());
    EXPECT_DOUBLE_EQ(f.measured(), 6.0);
    f.floor.free();
}

} // namespace
} // namespace flumpet::test
