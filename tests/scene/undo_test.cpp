#include "mesh_shapes.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <random>

namespace flumpet::test {
namespace {

using host::Object;
using host::Tag;
namespace undo = host::undo;

// Random edits of one document, each recorded the way the module records them, inside one undo
// group: hierarchy, parameters, placement, meshes (points, modeling transactions, clones) and
// weights.
class RandomEditor {
  public:
    RandomEditor(scene::Engine& engine, host::Document doc, uint32_t seed) : f_{engine, doc}, rng_(seed) {}

    void editGroup(int edits) {
        ASSERT_TRUE(f_.doc.startUndo());
        for (int i = 0; i < edits; ++i) edit();
        ASSERT_TRUE(f_.doc.endUndo());
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    double real() { return std::uniform_real_distribution<double>(-10, 10)(rng_); }

    std::vector<Object> objects() {
        std::vector<Object> out;
        for (host::NodeId id : allObjects()) out.emplace_back(&f_.engine, id);
        return out;
    }
    std::vector<host::NodeId> allObjects() {
        std::vector<host::NodeId> out;
        auto walk = [&](auto& self, Object o) -> void {
            for (; o.alive(); o = o.next()) {
                out.push_back(o.id());
                self(self, o.firstChild());
            }
        };
        walk(walk, f_.doc.firstObject());
        return out;
    }
    std::vector<Tag> tags() {
        std::vector<Tag> out;
        for (const Object& o : objects())
            for (const Tag& t : o.tags()) out.push_back(t);
        return out;
    }

    std::vector<host::PolygonObject> meshes() {
        std::vector<host::PolygonObject> out;
        for (const Object& o : objects())
            if (o.isInstanceOf(host::type::Polygon)) out.emplace_back(o);
        return out;
    }

    // Mesh and weight edits; false when there is no mesh to edit.
    bool editMesh() {
        const auto ms = meshes();
        if (ms.empty() || pick(5) == 0) { // a new mesh with weights on a joint
            const MeshArrays grid = quadGrid(2 + pick(4), 2 + pick(3));
            host::PolygonObject m(Object(&f_.engine, f_.engine.allocObject(host::type::Polygon)));
            m.setMesh(grid.points, grid.polygons);
            EXPECT_TRUE(f_.doc.insertLast(m));
            host::WeightTag w(Tag(&f_.engine, f_.engine.allocTag(host::tagtype::Weight)));
            w.addJoint(objects().front());
            w.setWeight(0, 0, 0.5);
            EXPECT_TRUE(m.insertTag(w));
            EXPECT_TRUE(f_.doc.addUndo(undo::NewObject, m));
            return true;
        }
        const host::PolygonObject& m = ms[size_t(pick(int(ms.size())))];
        switch (pick(4)) {
        case 0: { // move a point
            EXPECT_TRUE(f_.doc.addUndo(undo::Change, m));
            std::vector<host::Vector> points(m.points().begin(), m.points().end());
            points[size_t(pick(int(points.size())))] = {real(), real(), real()};
            EXPECT_TRUE(m.setPoints(points));
            break;
        }
        case 1: { // a modeling transaction: split an edge of the first polygon, delete a point
            // The commit carries the weight tags along, so they are recorded too.
            EXPECT_TRUE(f_.doc.addUndo(undo::Change, m));
            for (const Tag& t : m.tags()) EXPECT_TRUE(f_.doc.addUndo(undo::Change, t));
            if (m.polygonCount() == 0) break;
            const host::Polygon p = m.polygons()[0];
            auto k = m.openModeling();
            k->splitEdge(p.a, p.b, 0.5);
            if (m.pointCount() > 4) k->deletePoint(pick(m.pointCount()));
            EXPECT_TRUE(k->commit(host::modelingflag::CommitUpdate));
            break;
        }
        case 2: { // a clone, inserted and then changed
            host::PolygonObject clone(m.clone());
            EXPECT_TRUE(f_.doc.insertLast(clone));
            EXPECT_TRUE(f_.doc.addUndo(undo::NewObject, clone));
            EXPECT_TRUE(f_.doc.addUndo(undo::Change, clone));
            std::vector<host::Vector> points(clone.points().begin(), clone.points().end());
            for (auto& q : points) q.z += 1;
            EXPECT_TRUE(clone.setPoints(points));
            break;
        }
        default: { // weights
            const host::WeightTag w(m.tag(host::tagtype::Weight));
            if (!w.alive()) break;
            EXPECT_TRUE(f_.doc.addUndo(undo::Change, w));
            EXPECT_TRUE(w.setWeight(0, pick(std::max(1, m.pointCount())), pick(3) * 0.25));
            break;
        }
        }
        return true;
    }

    // Appended rather than concatenated: GCC 12 at -O3 warns falsely (-Wrestrict) on an inlined
    // literal + std::string.
    static std::string numbered(const char* prefix, int n) {
        std::string out = prefix;
        out += std::to_string(n);
        return out;
    }

    void edit() {
        const auto objs = objects();
        if (!objs.empty() && pick(4) == 0 && editMesh()) return;
        switch (objs.empty() ? 0 : pick(9)) {
        case 0: { // new object
            Object o(&f_.engine, f_.engine.allocObject(pick(2) ? host::type::Null : host::type::Joint));
            o.setName(numbered("N", counter_++));
            o.setLocalPosition({real(), real(), real()});
            const Object parent = objs.empty() || pick(4) == 0 ? Object{} : objs[size_t(pick(int(objs.size())))];
            ASSERT_TRUE(f_.doc.insertLast(o, parent));
            ASSERT_TRUE(f_.doc.addUndo(undo::NewObject, o));
            break;
        }
        case 1: { // new tag
            const Object& o = objs[size_t(pick(int(objs.size())))];
            Tag t(&f_.engine, f_.engine.allocTag(pick(2) ? host::tagtype::DynamicsBody : host::tagtype::Protection));
            t.setParameter(host::DescID(11062), real());
            ASSERT_TRUE(o.insertTag(t));
            ASSERT_TRUE(f_.doc.addUndo(undo::NewObject, t));
            break;
        }
        case 2: { // delete object with its subtree
            const Object& o = objs[size_t(pick(int(objs.size())))];
            ASSERT_TRUE(f_.doc.addUndo(undo::DeleteObject, o));
            ASSERT_TRUE(o.remove());
            ASSERT_TRUE(o.free());
            break;
        }
        case 3: { // delete a tag
            const auto ts = tags();
            if (ts.empty()) break;
            const Tag& t = ts[size_t(pick(int(ts.size())))];
            ASSERT_TRUE(f_.doc.addUndo(undo::DeleteObject, t));
            ASSERT_TRUE(t.remove());
            ASSERT_TRUE(t.free());
            break;
        }
        case 4: { // move under another object (or to the top level)
            const Object& o = objs[size_t(pick(int(objs.size())))];
            Object target = objs[size_t(pick(int(objs.size())))];
            if (target == o || o.isAncestorOf(target)) target = Object{};
            ASSERT_TRUE(f_.doc.addUndo(undo::Change, o));
            ASSERT_TRUE(o.remove());
            ASSERT_TRUE(pick(2) ? f_.doc.insertFirst(o, target) : f_.doc.insertLast(o, target));
            break;
        }
        case 5: { // parameters of several value types
            const Object& o = objs[size_t(pick(int(objs.size())))];
            ASSERT_TRUE(f_.doc.addUndo(pick(2) ? undo::ChangeSmall : undo::Change, o));
            o.setParameter(host::DescID(1044), real());
            o.setParameter(host::DescID(1103), int32_t(pick(7)));
            o.setParameter(host::DescID(1064), numbered("v", pick(100)));
            o.setParameter(host::DescID(1003), host::Link{objs[size_t(pick(int(objs.size())))].id()});
            break;
        }
        case 6: { // in/exclude list edits
            const Object& o = objs[size_t(pick(int(objs.size())))];
            ASSERT_TRUE(f_.doc.addUndo(undo::ChangeSmall, o));
            host::Container data = o.data();
            host::InExcludeList list = data.getInExclude(1058) ? *data.getInExclude(1058) : host::InExcludeList{};
            if (list.count() > 0 && pick(3) == 0) list.deleteAt(pick(list.count()));
            list.insert(objs[size_t(pick(int(objs.size())))].id());
            data.set(1058, list);
            o.setData(data);
            break;
        }
        case 7: { // placement and name
            const Object& o = objs[size_t(pick(int(objs.size())))];
            ASSERT_TRUE(f_.doc.addUndo(undo::Change, o));
            host::Matrix m = host::rotationZ(real());
            m.off = {real(), real(), real()};
            o.setGlobalMatrix(m);
            o.setName(numbered("R", counter_++));
            break;
        }
        default: { // a new object that is changed and deleted again inside the same group
            Object o(&f_.engine, f_.engine.allocObject(host::type::Cube));
            ASSERT_TRUE(f_.doc.insertLast(o));
            ASSERT_TRUE(f_.doc.addUndo(undo::NewObject, o));
            ASSERT_TRUE(f_.doc.addUndo(undo::Change, o));
            o.setName("Temp");
            ASSERT_TRUE(f_.doc.addUndo(undo::DeleteObject, o));
            ASSERT_TRUE(o.remove());
            ASSERT_TRUE(o.free());
            break;
        }
        }
    }

    struct {
        scene::Engine& engine;
        host::Document doc;
    } f_;
    std::mt19937 rng_;
    int counter_ = 0;
};

class UndoProperty : public testing::TestWithParam<uint32_t> {};

TEST_P(UndoProperty, UndoRestoresAndRedoReplaysEveryGroup) {
    // Two documents edited in turn, with files loaded into the same engine between the edits: each
    // document's undo and redo give back its own states and never touch the other documents.
    SceneFixture f;
    const host::Document second(&f.engine, f.engine.newDocument());
    RandomEditor editor(f.engine, f.doc, GetParam());
    RandomEditor other(f.engine, second, GetParam() + 1);
    const auto saveOf = [&](const host::Document& d) { return scene::saveDocument(f.engine, d.id()); };
    std::vector<std::string> states{f.save()};
    for (int group = 0; group < 8; ++group) {
        editor.editGroup(12);
        states.push_back(f.save());
        other.editGroup(4);
        if (group % 3 == 1) scene::loadDocument(f.engine, states.back());
    }
    const std::string secondState = saveOf(second);
    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
        ASSERT_EQ(f.save(), states[i - 1]) << "undo of group " << i;
    }
    EXPECT_FALSE(f.engine.undo(f.doc.id()));
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
        ASSERT_EQ(f.save(), states[i]) << "redo of group " << i;
    }
    EXPECT_FALSE(f.engine.redo(f.doc.id()));
    EXPECT_EQ(saveOf(second), secondState);
    while (f.engine.canUndo(second.id())) ASSERT_TRUE(f.engine.undo(second.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), states.back());
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoProperty, testing::Values(1u, 2u, 3u, 17u, 99u, 2024u, 31337u, 424242u));

TEST(Undo, LinksDieWithTheNodeAndComeBackWithUndo) {
    SceneFixture f;
    Object gen = f.addNull("Generator");
    Object bone = f.add(host::type::Joint, "Bone");
    host::InExcludeList list;
    list.insert(bone.id());
    gen.setParameter(host::DescID(1058), list);
    gen.setParameter(host::DescID(1003), host::Link{bone.id()});
    const host::NodeId boneId = bone.id();

    ASSERT_TRUE(f.doc.startUndo());
    ASSERT_TRUE(f.doc.addUndo(undo::DeleteObject, bone));
    ASSERT_TRUE(bone.remove());
    ASSERT_TRUE(bone.free());
    ASSERT_TRUE(f.doc.endUndo());

    EXPECT_FALSE(f.doc.resolve(gen.data().getLinkId(1003)).alive());
    const host::Container dataAfterDelete = gen.data();
    EXPECT_FALSE(f.doc.resolve(dataAfterDelete.getInExclude(1058)->idAt(0)).alive());

    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    const Object back = f.doc.resolve(gen.data().getLinkId(1003));
    ASSERT_TRUE(back.alive());
    EXPECT_EQ(back.id(), boneId);
    EXPECT_EQ(back.name(), "Bone");
    const host::Container dataAfterUndo = gen.data();
    EXPECT_EQ(f.doc.resolve(dataAfterUndo.getInExclude(1058)->idAt(0)), back);
}

TEST(Undo, FreedNodeIsNeverReachedThroughAnOldId) {
    SceneFixture f;
    Object a = f.addNull("A");
    const host::NodeId old = a.id();
    ASSERT_TRUE(a.remove());
    ASSERT_TRUE(a.free());
    // New nodes never take the old id, so the old handle stays dead.
    for (int i = 0; i < 100; ++i) EXPECT_NE(f.addNull("B").id(), old);
    EXPECT_FALSE(a.alive());
    EXPECT_EQ(a.name(), "");
    EXPECT_FALSE(f.doc.resolve(old).alive());
}

TEST(Undo, RecordsNeedAnOpenGroupAndAnInsertedNode) {
    SceneFixture f;
    Object a = f.addNull("A");
    EXPECT_FALSE(f.doc.addUndo(undo::NewObject, a)); // no group
    ASSERT_TRUE(f.doc.startUndo());
    Object loose(&f.engine, f.engine.allocObject(host::type::Null));
    EXPECT_FALSE(f.doc.addUndo(undo::NewObject, loose));
    EXPECT_FALSE(f.doc.addUndo(undo::DeleteObject, loose));
    EXPECT_FALSE(f.doc.addUndo(12345, a));
    EXPECT_TRUE(f.doc.endUndo());
    EXPECT_TRUE(loose.free());
    EXPECT_FALSE(f.engine.canUndo(f.doc.id())); // an empty group leaves no trace
}

TEST(Undo, UndoOfAMissingNodeReportsFailure) {
    SceneFixture f;
    ASSERT_TRUE(f.doc.startUndo());
    Object a = f.addNull("A");
    ASSERT_TRUE(f.doc.addUndo(undo::Change, a));
    ASSERT_TRUE(f.doc.endUndo());
    // Deleted behind the history's back: undo must say it could not restore.
    ASSERT_TRUE(a.remove());
    ASSERT_TRUE(a.free());
    EXPECT_FALSE(f.engine.undo(f.doc.id()));
    EXPECT_FALSE(f.engine.lastError().empty());
}

TEST(Undo, ADeadLinkStaysDeadWhenAnotherDocumentIsLoaded) {
    // The file's ids are those of a fresh engine, so they meet the id the delete record holds.
    std::string file;
    {
        SceneFixture other;
        for (int i = 0; i < 6; ++i) other.addNull("Loaded" + std::to_string(i));
        file = other.save();
    }
    SceneFixture f;
    Object gen = f.addNull("Generator");
    Object bone = f.add(host::type::Joint, "Bone");
    gen.setParameter(host::DescID(1003), host::Link{bone.id()});
    const host::NodeId boneId = bone.id();
    ASSERT_TRUE(f.doc.startUndo());
    ASSERT_TRUE(f.doc.addUndo(undo::DeleteObject, bone));
    ASSERT_TRUE(bone.remove());
    ASSERT_TRUE(bone.free());
    ASSERT_TRUE(f.doc.endUndo());

    const host::Document second(&f.engine, scene::loadDocument(f.engine, file));
    EXPECT_EQ(f.engine.find(boneId), nullptr) << "a loaded node took the id a record holds";
    const std::string secondBefore = scene::saveDocument(f.engine, second.id());

    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.doc.resolve(gen.data().getLinkId(1003)).name(), "Bone");
    EXPECT_EQ(scene::saveDocument(f.engine, second.id()), secondBefore);
    ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(scene::saveDocument(f.engine, second.id()), secondBefore);
}

TEST(Undo, AGroupWithARecordThatFailsUndoesNothingAndSaysSo) {
    SceneFixture f;
    Object keep = f.addNull("Keep");
    Object doomed = f.addNull("Doomed");
    ASSERT_TRUE(f.doc.startUndo());
    Object made = f.addNull("Made");
    ASSERT_TRUE(f.doc.addUndo(undo::NewObject, made));
    ASSERT_TRUE(f.doc.addUndo(undo::Change, keep));
    keep.setName("Renamed");
    ASSERT_TRUE(f.doc.addUndo(undo::DeleteObject, doomed));
    ASSERT_TRUE(doomed.remove());
    ASSERT_TRUE(doomed.free());
    ASSERT_TRUE(f.doc.endUndo());
    // The first record's node goes behind the history's back: it is undone last and fails.
    ASSERT_TRUE(made.remove());
    ASSERT_TRUE(made.free());
    const std::string before = f.save();

    EXPECT_FALSE(f.engine.undo(f.doc.id()));
    EXPECT_NE(f.engine.lastError().find("is gone"), std::string::npos) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
    EXPECT_TRUE(f.engine.canUndo(f.doc.id()));
    EXPECT_FALSE(f.engine.canRedo(f.doc.id()));
}

TEST(Undo, ChangeRecordsShareTheMeshAndTheBudgetDropsTheOldestGroups) {
    SceneFixture f;
    const MeshArrays grid = quadGrid(40, 40);
    host::PolygonObject mesh = f.addMesh("Grid", grid.points, grid.polygons);
    const size_t pointBytes = grid.points.size() * sizeof(host::Vector);
    const auto moveOnePoint = [&](int i) {
        ASSERT_TRUE(f.doc.startUndo());
        ASSERT_TRUE(f.doc.addUndo(undo::Change, mesh));
        std::vector<host::Vector> points(mesh.points().begin(), mesh.points().end());
        points[size_t(i)].z += 1;
        ASSERT_TRUE(mesh.setPoints(points));
        ASSERT_TRUE(f.doc.endUndo());
    };
    // A record shares the arrays until a writer replaces one: then it holds the old points only.
    ASSERT_TRUE(f.doc.startUndo());
    ASSERT_TRUE(f.doc.addUndo(undo::Change, mesh));
    EXPECT_LT(f.engine.historyBytes(f.doc.id()), pointBytes / 4);
    ASSERT_TRUE(f.doc.endUndo());
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    moveOnePoint(0);
    EXPECT_GE(f.engine.historyBytes(f.doc.id()), pointBytes);
    EXPECT_LT(f.engine.historyBytes(f.doc.id()), pointBytes + pointBytes / 4);

    f.engine.setHistoryBudget(3 * pointBytes + pointBytes / 2);
    std::vector<std::string> states{f.save()};
    for (int i = 1; i <= 6; ++i) {
        moveOnePoint(i);
        states.push_back(f.save());
    }
    EXPECT_EQ(f.engine.undoSteps(f.doc.id()), 3u);
    EXPECT_LE(f.engine.historyBytes(f.doc.id()), f.engine.historyBudget());
    for (size_t i = states.size() - 1; i + 3 >= states.size(); --i) {
        ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
        EXPECT_EQ(f.save(), states[i - 1]);
    }
    EXPECT_FALSE(f.engine.canUndo(f.doc.id()));

    // The newest group stays, however large.
    f.engine.setHistoryBudget(1);
    moveOnePoint(7);
    EXPECT_TRUE(f.engine.canUndo(f.doc.id()));
}

TEST(Undo, AMeshSetFromItsOwnPointsKeepsThem) {
    SceneFixture f;
    const MeshArrays grid = quadGrid(3, 3);
    host::PolygonObject mesh = f.addMesh("Grid", grid.points, grid.polygons);
    EXPECT_TRUE(mesh.setPoints(mesh.points()));
    EXPECT_TRUE(mesh.setMesh(mesh.points(), mesh.polygons()));
    EXPECT_EQ(std::vector<host::Vector>(mesh.points().begin(), mesh.points().end()), grid.points);
    EXPECT_EQ(std::vector<host::Polygon>(mesh.polygons().begin(), mesh.polygons().end()), grid.polygons);
}

#ifdef FLUMPET_CHECKED_SPANS
TEST(UndoDeathTest, ASpanKeptAcrossAChangeIsCaught) {
    SceneFixture f;
    const MeshArrays grid = quadGrid(3, 3);
    host::PolygonObject mesh = f.addMesh("Grid", grid.points, grid.polygons);
    ASSERT_TRUE(f.doc.startUndo());
    ASSERT_TRUE(f.doc.addUndo(undo::Change, mesh)); // the record keeps the old points alive
    const std::span<const host::Vector> stale = mesh.points();
    std::vector<host::Vector> moved(stale.begin(), stale.end());
    moved[0].x = 5;
    ASSERT_TRUE(mesh.setPoints(moved));
    ASSERT_TRUE(f.doc.endUndo());
    EXPECT_DEATH({ volatile double x = stale[1].x; (void)x; }, "use-after-free");
}
#endif

TEST(Undo, NestedGroupsFormOneStep) {
    SceneFixture f;
    ASSERT_TRUE(f.doc.startUndo());
    Object a = f.addNull("A");
    ASSERT_TRUE(f.doc.addUndo(undo::NewObject, a));
    ASSERT_TRUE(f.doc.startUndo());
    Object b = f.addNull("B");
    ASSERT_TRUE(f.doc.addUndo(undo::NewObject, b));
    ASSERT_TRUE(f.doc.endUndo());
    ASSERT_TRUE(f.doc.endUndo());
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_FALSE(f.doc.firstObject().alive());
    EXPECT_FALSE(f.engine.canUndo(f.doc.id()));
}

} // namespace
} // namespace flumpet::test
