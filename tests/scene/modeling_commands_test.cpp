#include "mesh_shapes.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace flumpet::test {
namespace {

using host::Container;
using host::Polygon;
using host::PolygonObject;
using host::Selection;
using host::Vector;
namespace cmd = host::mcommand;
namespace mode = host::mcommandmode;

Selection selectionOf(std::initializer_list<int32_t> indices) {
    Selection s;
    for (int32_t i : indices)
        s.select(i);
    return s;
}

Container convertSettings(int32_t from, int32_t to, bool tolerant) {
    Container c;
    c.setInt(host::mcommandparam::ConvertFrom, from);
    c.setInt(host::mcommandparam::ConvertTo, to);
    c.setBool(host::mcommandparam::ConvertTolerant, tolerant);
    return c;
}

// The 2 x 2 grid: points 0..8 row by row, quads 0 (0 1 4 3), 1 (1 2 5 4), 2 (3 4 7 6), 3 (4 5 8 7).
struct GridFixture : SceneFixture {
    PolygonObject grid;
    GridFixture() {
        const MeshArrays m = quadGrid(2, 2);
        grid = addMesh("Grid", m.points, m.polygons);
    }
};

struct ConvertCase {
    const char* name;
    std::vector<int32_t> selected;
    int32_t from, to;
    bool tolerant;
    std::vector<int32_t> expected;
};

TEST(ModelingCommands, ConvertSelectionFollowsTheRules) {
    const ConvertCase cases[] = {
        {"all points of quad 0 only", {0, 1, 3, 4}, 0, 2, false, {0}},
        {"shared point alone selects nothing", {4}, 0, 2, false, {}},
        {"tolerant: any point selects", {4}, 0, 2, true, {0, 1, 2, 3}},
        {"tolerant corner", {0}, 0, 2, true, {0}},
        {"two quads to their points", {0, 3}, 2, 0, false, {0, 1, 3, 4, 5, 7, 8}},
        {"no polygon to no point", {}, 2, 0, false, {}},
    };
    for (const ConvertCase& c : cases) {
        SCOPED_TRACE(c.name);
        GridFixture f;
        Selection chosen;
        for (int32_t i : c.selected)
            chosen.select(i);
        if (c.from == host::selectionkind::Points) {
            ASSERT_TRUE(f.grid.setPointSelection(chosen));
        } else {
            ASSERT_TRUE(f.grid.setPolygonSelection(chosen));
        }
        const auto result = f.grid.modelingCommand(cmd::ConvertSelection, mode::All,
                                                   convertSettings(c.from, c.to, c.tolerant));
        ASSERT_TRUE(result.success);
        const Selection target =
            c.to == host::selectionkind::Polygons ? f.grid.polygonSelection() : f.grid.pointSelection();
        EXPECT_EQ(target.indices(), c.expected);
    }
}

TEST(ModelingCommands, ConvertSelectionRefusesUnknownKinds) {
    GridFixture f;
    EXPECT_FALSE(
        f.grid.modelingCommand(cmd::ConvertSelection, mode::All, convertSettings(1, 2, false)).success);
}

TEST(ModelingCommands, SplitMakesAnObjectOfTheSelectedPolygonsAndTheirPoints) {
    GridFixture f;
    f.grid.setLocalPosition({5, 0, 0});
    host::WeightTag weights(f.addTag(f.grid, host::tagtype::Weight));
    host::Object joint = f.add(host::type::Joint, "J");
    const int32_t j = weights.addJoint(joint);
    weights.setWeight(j, 8, 0.5);
    weights.setWeight(j, 2, 0.25); // point 2 is not used by the split polygons
    ASSERT_TRUE(f.grid.setPolygonSelection(selectionOf({0, 3})));
    ASSERT_TRUE(f.grid.setPointSelection(selectionOf({4, 6})));

    const auto result = f.grid.modelingCommand(cmd::Split, mode::PolygonSelection);
    ASSERT_TRUE(result.success);
    ASSERT_EQ(result.objects.size(), 1u);
    PolygonObject piece(host::Object(&f.engine, result.objects[0]));
    ASSERT_TRUE(piece.alive());
    EXPECT_FALSE(piece.document().alive());
    EXPECT_EQ(piece.name(), "Grid");
    EXPECT_EQ(piece.globalMatrix(), f.grid.globalMatrix());

    // Used points 0 1 3 4 5 7 8 keep their order.
    const std::vector<Vector> expectedPoints = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                                {2, 1, 0}, {1, 2, 0}, {2, 2, 0}};
    EXPECT_EQ(std::vector<Vector>(piece.points().begin(), piece.points().end()), expectedPoints);
    const std::vector<Polygon> expectedPolygons = {{0, 1, 3, 2}, {3, 4, 6, 5}};
    EXPECT_EQ(std::vector<Polygon>(piece.polygons().begin(), piece.polygons().end()), expectedPolygons);
    EXPECT_EQ(piece.polygonSelection().indices(), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(piece.pointSelection().indices(), (std::vector<int32_t>{3}));

    // The tags come along, their weights following the points.
    host::WeightTag copied(piece.tag(host::tagtype::Weight));
    ASSERT_TRUE(copied.alive());
    EXPECT_NE(copied.id(), weights.id());
    EXPECT_EQ(copied.weight(0, 6), 0.5);
    EXPECT_EQ(copied.weightCount(0), 1);
    // The source is untouched.
    EXPECT_EQ(f.grid.polygonCount(), 4);
    EXPECT_EQ(weights.weightCount(j), 2);
    piece.free();
}

// A few selected elements of a larger mesh take a shorter road than a pass over every polygon;
// what comes out must be what that pass gives, worked out here the plain way.
TEST(ModelingCommands, ASmallSelectionConvertsAndSplitsAsAPassOverEveryPolygonWould) {
    SceneFixture f;
    const MeshArrays m = quadGrid(12, 12);
    PolygonObject grid = f.addMesh("Grid", m.points, m.polygons);
    const auto at = [](int c, int r) { return r * 13 + c; };
    Selection points;
    for (const auto& [c, r] : {std::pair{2, 3}, {3, 3}, {2, 4}, {3, 4}, {2, 5}, {3, 5}, {7, 7}, {8, 7}, {7, 8}})
        points.select(at(c, r));
    points.select(at(12, 12));
    for (const bool tolerant : {false, true}) {
        SCOPED_TRACE(tolerant ? "tolerant" : "all corners");
        ASSERT_TRUE(grid.setPointSelection(points));
        ASSERT_TRUE(grid.modelingCommand(cmd::ConvertSelection, mode::All,
                                         convertSettings(host::selectionkind::Points, host::selectionkind::Polygons, tolerant))
                        .success);
        std::vector<int32_t> expected;
        for (size_t i = 0; i < m.polygons.size(); ++i) {
            const Polygon& p = m.polygons[i];
            int hits = 0;
            for (int32_t v : {p.a, p.b, p.c, p.d}) hits += points.isSelected(v);
            if (tolerant ? hits > 0 : hits == 4) expected.push_back(static_cast<int32_t>(i));
        }
        EXPECT_EQ(grid.polygonSelection().indices(), expected);
    }

    // Split the tolerant pick: the used points in their old order, the polygons in theirs, the
    // weights of the used points only (every point of the grid has one, before and after them).
    host::WeightTag weights(f.addTag(grid, host::tagtype::Weight));
    const int32_t joint = weights.addJoint(f.add(host::type::Joint, "J"));
    for (int32_t i = 0; i < static_cast<int32_t>(m.points.size()); ++i) weights.setWeight(joint, i, (i + 1) / 1000.0);
    const std::vector<int32_t> picked = grid.polygonSelection().indices();
    const auto result = grid.modelingCommand(cmd::Split, mode::PolygonSelection);
    ASSERT_TRUE(result.success);
    PolygonObject piece(host::Object(&f.engine, result.objects.at(0)));
    std::vector<int32_t> newIndex(m.points.size(), -1);
    for (int32_t i : picked)
        for (int32_t v : {m.polygons[i].a, m.polygons[i].b, m.polygons[i].c, m.polygons[i].d}) newIndex[v] = 0;
    std::vector<Vector> expectedPoints;
    std::vector<int32_t> expectedSelected;
    std::vector<host::WeightEntry> expectedWeights;
    for (size_t i = 0; i < m.points.size(); ++i) {
        if (newIndex[i] < 0) continue;
        newIndex[i] = static_cast<int32_t>(expectedPoints.size());
        if (points.isSelected(static_cast<int32_t>(i))) expectedSelected.push_back(newIndex[i]);
        expectedPoints.push_back(m.points[i]);
        expectedWeights.push_back({newIndex[i], static_cast<double>(i + 1) / 1000.0});
    }
    std::vector<Polygon> expectedPolygons;
    for (int32_t i : picked) {
        const Polygon& p = m.polygons[i];
        expectedPolygons.push_back({newIndex[p.a], newIndex[p.b], newIndex[p.c], newIndex[p.d]});
    }
    EXPECT_EQ(std::vector<Vector>(piece.points().begin(), piece.points().end()), expectedPoints);
    EXPECT_EQ(std::vector<Polygon>(piece.polygons().begin(), piece.polygons().end()), expectedPolygons);
    EXPECT_EQ(piece.pointSelection().indices(), expectedSelected);
    EXPECT_EQ(piece.polygonSelection().count(), static_cast<int32_t>(picked.size()));
    const std::span<const host::WeightEntry> carried = host::WeightTag(piece.tag(host::tagtype::Weight)).weights(0);
    ASSERT_EQ(carried.size(), expectedWeights.size());
    for (size_t k = 0; k < carried.size(); ++k) {
        EXPECT_EQ(carried[k].point, expectedWeights[k].point);
        EXPECT_EQ(carried[k].weight, expectedWeights[k].weight);
    }
    piece.free();
}

// Splits of small regions of a large mesh carry the weights through a table of weights by
// point, made once for the mesh's weights: each piece must get exactly its points' weights, and
// a change of the weights between splits must show in the next piece.
TEST(ModelingCommands, SplitsOfSmallRegionsCarryTheirPointsWeights) {
    SceneFixture f;
    const MeshArrays m = quadGrid(30, 30);
    PolygonObject grid = f.addMesh("Grid", m.points, m.polygons);
    host::WeightTag weights(f.addTag(grid, host::tagtype::Weight));
    const int32_t all = weights.addJoint(f.add(host::type::Joint, "All"));
    const int32_t some = weights.addJoint(f.add(host::type::Joint, "Some"));
    const auto points = static_cast<int32_t>(m.points.size());
    for (int32_t i = 0; i < points; ++i) {
        weights.setWeight(all, i, (i + 1) / 10000.0);
        if (i % 3 == 0) weights.setWeight(some, i, 0.5);
    }
    const auto splitAndCheck = [&](std::initializer_list<int32_t> polygons) {
        ASSERT_TRUE(grid.setPolygonSelection(selectionOf(polygons)));
        const auto result = grid.modelingCommand(cmd::Split, mode::PolygonSelection);
        ASSERT_TRUE(result.success);
        PolygonObject piece(host::Object(&f.engine, result.objects.at(0)));
        std::vector<int32_t> used;
        for (int32_t q : polygons)
            for (int32_t v : {m.polygons[q].a, m.polygons[q].b, m.polygons[q].c, m.polygons[q].d}) used.push_back(v);
        std::sort(used.begin(), used.end());
        used.erase(std::unique(used.begin(), used.end()), used.end());
        host::WeightTag carried(piece.tag(host::tagtype::Weight));
        for (const int32_t joint : {all, some}) {
            std::vector<std::pair<int32_t, double>> expected, got;
            for (size_t n = 0; n < used.size(); ++n)
                if (const double w = weights.weight(joint, used[n]); w != 0.0) expected.emplace_back(static_cast<int32_t>(n), w);
            for (const host::WeightEntry& e : carried.weights(joint)) got.emplace_back(e.point, e.weight);
            EXPECT_EQ(got, expected) << "joint " << joint;
        }
        piece.free();
    };
    splitAndCheck({0, 1, 31});
    splitAndCheck({400, 401, 899});
    weights.setWeight(some, m.polygons[400].a, 0.25);
    splitAndCheck({400});
}

struct TriangulateCase {
    const char* name;
    std::vector<Vector> quad;
    std::vector<Polygon> expected;
};

TEST(ModelingCommands, TriangulateSplitsQuadsAlongTheRightDiagonal) {
    const TriangulateCase cases[] = {
        {"square: a-c on a tie", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 2}, {0, 2, 3, 3}}},
        {"b-d shorter", {{0, 0, 0}, {2, -0.2, 0}, {4, 0, 0}, {2, 0.2, 0}}, {{0, 1, 3, 3}, {1, 2, 3, 3}}},
        // Concave at d: only the diagonal through d stays inside, although it is the longer one.
        {"dart", {{0, 0, 0}, {1, -5, 0}, {2, 0, 0}, {1, -0.5, 0}}, {{0, 1, 3, 3}, {1, 2, 3, 3}}},
    };
    for (const TriangulateCase& c : cases) {
        SCOPED_TRACE(c.name);
        SceneFixture f;
        PolygonObject mesh = f.addMesh("Q", c.quad, {{0, 1, 2, 3}, {0, 1, 2, 2}});
        ASSERT_TRUE(mesh.modelingCommand(cmd::Triangulate, mode::All).success);
        std::vector<Polygon> expected = c.expected;
        expected.push_back({0, 1, 2, 2}); // the triangle stays
        EXPECT_EQ(std::vector<Polygon>(mesh.polygons().begin(), mesh.polygons().end()), expected);
    }
}

TEST(ModelingCommands, TriangulateInPolygonSelectionModeLeavesOtherQuads) {
    GridFixture f;
    f.grid.setPolygonSelection(selectionOf({1}));
    ASSERT_TRUE(f.grid.modelingCommand(cmd::Triangulate, mode::PolygonSelection).success);
    ASSERT_EQ(f.grid.polygonCount(), 5);
    EXPECT_FALSE(f.grid.polygons()[0].isTriangle());
    EXPECT_TRUE(f.grid.polygons()[1].isTriangle());
    EXPECT_TRUE(f.grid.polygons()[2].isTriangle());
    EXPECT_EQ(f.grid.polygonSelection().indices(), (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(validPolygons(f.grid.polygons(), 9));
}

TEST(ModelingCommands, SelectConnectedGrowsOverSharedEdgesOnly) {
    SceneFixture f;
    // Two triangles touching at point 2 only (a bow tie), and a third sharing an edge with the
    // second.
    PolygonObject mesh = f.addMesh("Tie", {{0, 0, 0}, {0, 2, 0}, {1, 1, 0}, {2, 0, 0}, {2, 2, 0}, {3, 1, 0}},
                                   {{0, 2, 1, 1}, {2, 3, 4, 4}, {3, 5, 4, 4}});
    mesh.setPolygonSelection(selectionOf({1}));
    ASSERT_TRUE(mesh.modelingCommand(cmd::SelectConnected, mode::PolygonSelection).success);
    EXPECT_EQ(mesh.polygonSelection().indices(), (std::vector<int32_t>{1, 2}));

    mesh.setPolygonSelection(selectionOf({0}));
    ASSERT_TRUE(mesh.modelingCommand(cmd::SelectConnected, mode::PolygonSelection).success);
    EXPECT_EQ(mesh.polygonSelection().indices(), (std::vector<int32_t>{0}));
}

TEST(ModelingCommands, SelectInverseInvertsTheModesSelection) {
    GridFixture f;
    f.grid.setPolygonSelection(selectionOf({0, 2}));
    f.grid.setPointSelection(selectionOf({0, 8}));
    ASSERT_TRUE(f.grid.modelingCommand(cmd::SelectInverse, mode::PolygonSelection).success);
    EXPECT_EQ(f.grid.polygonSelection().indices(), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(f.grid.pointSelection().indices(), (std::vector<int32_t>{0, 8}));
    ASSERT_TRUE(f.grid.modelingCommand(cmd::SelectInverse, mode::PointSelection).success);
    EXPECT_EQ(f.grid.pointSelection().indices(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(ModelingCommands, FailOnWhatIsNotAPolygonObjectOrNotACommand) {
    GridFixture f;
    host::Object null = f.addNull("N");
    EXPECT_FALSE(f.engine.geometry()
                     .modelingCommand(cmd::Triangulate, null.id(), mode::All, {}, host::NoNode)
                     .success);
    EXPECT_FALSE(f.grid.modelingCommand(999, mode::All).success);
}

TEST(ModelingCommands, UndoRestoresAMeshChangedInTheDocument) {
    GridFixture f;
    f.grid.setPolygonSelection(selectionOf({3}));
    const std::string before = f.save();
    f.doc.startUndo();
    ASSERT_TRUE(f.grid.modelingCommand(cmd::Triangulate, mode::All, {}, f.doc).success);
    f.doc.endUndo();
    const std::string after = f.save();
    EXPECT_NE(before, after);
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(f.save(), before);
    ASSERT_TRUE(f.engine.redo(f.doc.id()));
    EXPECT_EQ(f.save(), after);
}

TEST(ModelingCommands, ChangesMarkTheObjectChanged) {
    GridFixture f;
    f.grid.changedSinceLastCheck(host::dirty::Data);
    f.grid.modelingCommand(cmd::SelectInverse, mode::PolygonSelection);
    EXPECT_TRUE(f.grid.changedSinceLastCheck(host::dirty::Data));
    EXPECT_FALSE(f.grid.changedSinceLastCheck(host::dirty::Data));
}

} // namespace
} // namespace flumpet::test
