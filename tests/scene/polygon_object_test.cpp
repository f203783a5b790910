#include "mesh_shapes.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace flumpet::test {
namespace {

using host::Polygon;
using host::PolygonObject;
using host::Selection;
using host::Vector;

struct Pair : SceneFixture {
    PolygonObject mesh =
        addMesh("Pair", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2, 2}, {1, 3, 2, 2}});
};

TEST(PolygonObject, RefusesBadArraysAndKeepsWhatItHad) {
    Pair f;
    const std::string before = f.save();
    const std::vector<Vector> three(3);
    const std::vector<Vector> withNan = {{0, 0, 0}, {NAN, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    const std::vector<Polygon> outOfRange = {{0, 1, 4, 4}};
    const std::vector<Polygon> negative = {{0, -1, 2, 2}};
    EXPECT_FALSE(f.mesh.setPoints(three));
    EXPECT_FALSE(f.mesh.setPoints(withNan));
    EXPECT_FALSE(f.mesh.setMesh(std::vector<Vector>(4), outOfRange));
    EXPECT_FALSE(f.mesh.setMesh(std::vector<Vector>(4), negative));
    Selection tooFar;
    tooFar.select(4);
    EXPECT_FALSE(f.mesh.setPointSelection(tooFar));
    EXPECT_FALSE(f.mesh.setPolygonSelection(tooFar));
    EXPECT_EQ(f.save(), before);
    EXPECT_TRUE(PolygonObject(f.addNull("N")).points().empty());
}

TEST(PolygonObject, ChangesMarkItChanged) {
    Pair f;
    f.mesh.changedSinceLastCheck(host::dirty::Data);
    std::vector<Vector> moved(f.mesh.points().begin(), f.mesh.points().end());
    moved[0].z = 1;
    ASSERT_TRUE(f.mesh.setPoints(moved));
    EXPECT_TRUE(f.mesh.changedSinceLastCheck(host::dirty::Data));
    Selection s;
    s.select(1);
    f.mesh.setPolygonSelection(s);
    EXPECT_TRUE(f.mesh.changedSinceLastCheck(host::dirty::Data));
}

TEST(PolygonObject, DeformCacheIsADeformedCopyWhileTheMeshStays) {
    Pair f;
    f.mesh.setLocalPosition({0, 0, 5});
    EXPECT_FALSE(f.mesh.deformCache().alive());
    std::vector<Vector> bent(f.mesh.points().begin(), f.mesh.points().end());
    bent[3].z = 2;
    ASSERT_TRUE(f.engine.geometry().setDeformedPoints(f.mesh.id(), bent));
    EXPECT_TRUE(f.mesh.changedSinceLastCheck(host::dirty::Cache));

    PolygonObject cache(f.mesh.deformCache());
    ASSERT_TRUE(cache.alive());
    EXPECT_FALSE(cache.document().alive());
    EXPECT_EQ(cache.name(), "Pair");
    EXPECT_EQ(cache.globalMatrix(), f.mesh.globalMatrix());
    EXPECT_EQ(std::vector<Vector>(cache.points().begin(), cache.points().end()), bent);
    EXPECT_EQ(std::vector<Polygon>(cache.polygons().begin(), cache.polygons().end()),
              std::vector<Polygon>(f.mesh.polygons().begin(), f.mesh.polygons().end()));
    EXPECT_EQ(f.mesh.deformCache(), cache); // the same copy until the mesh changes

    // A working copy of the cache is an ordinary polygon object.
    PolygonObject work(cache.clone());
    EXPECT_EQ(work.pointCount(), 4);
    work.free();

    const std::vector<Vector> wrongCount(3);
    EXPECT_FALSE(f.engine.geometry().setDeformedPoints(f.mesh.id(), wrongCount));
    ASSERT_TRUE(f.mesh.setPoints(bent));
    EXPECT_FALSE(f.mesh.deformCache().alive());
    EXPECT_FALSE(cache.alive()); // the old copy is gone with it
}

TEST(PolygonObject, TagsComeOffAPieceBeforeItIsInserted) {
    Pair f;
    f.addTag(f.mesh, host::tagtype::Weight);
    f.addTag(f.mesh, host::tagtype::Phong);
    PolygonObject piece(host::Object(
        &f.engine, f.mesh.modelingCommand(host::mcommand::Split, host::mcommandmode::All).objects.at(0)));
    host::Tag weights = piece.tag(host::tagtype::Weight);
    ASSERT_TRUE(weights.remove());
    EXPECT_TRUE(weights.free());
    EXPECT_FALSE(piece.tag(host::tagtype::Weight).alive());
    EXPECT_TRUE(piece.tag(host::tagtype::Phong).alive());
    EXPECT_TRUE(f.mesh.tag(host::tagtype::Weight).alive());
    EXPECT_FALSE(piece.remove()); // a free object with no parent has nowhere to come off
    piece.free();
}

TEST(PolygonObject, UndoOfAKernelEditRestoresTheMesh) {
    Pair f;
    const std::string before = f.save();
    f.doc.startUndo();
    ASSERT_TRUE(f.doc.addUndo(host::undo::Change, f.mesh));
    auto k = f.mesh.openModeling();
    ASSERT_NE(k->splitEdge(1, 2, 0.5), 0);
    ASSERT_TRUE(k->deletePoint(0));
    ASSERT_TRUE(k->commit(0));
    f.doc.endUndo();
    const std::string after = f.save();
    ASSERT_NE(after, before);
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(f.save(), before);
    ASSERT_TRUE(f.engine.redo(f.doc.id()));
    EXPECT_EQ(f.save(), after);
}

} // namespace
} // namespace flumpet::test
