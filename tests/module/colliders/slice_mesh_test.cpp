#include "colliders/create_collider.h"
#include "colliders/plane_cut.h"
#include "colliders/prepare_mesh.h"
#include "colliders/slice_mesh.h"
#include "module/character_fixture.h"

#include <limits>

namespace flumpet::test {
namespace {

using host::Vector;

/// The piece cut for a bone: its child named bone + "_Body_collider".
host::PolygonObject pieceOf(const host::Object& bone) {
    for (host::Object c = bone.firstChild(); c.alive(); c = c.next())
        if (c.name() == bone.name() + "_Body_collider") return host::PolygonObject(c);
    return {};
}

/// World positions of a piece's points (it sits under its bone at identity).
std::vector<Vector> worldPoints(const host::Object& bone, const host::PolygonObject& piece) {
    std::vector<Vector> out;
    const host::Matrix m = bone.globalMatrix() * piece.localMatrix();
    for (const Vector& p : piece.points()) out.push_back(m * p);
    return out;
}

struct Box {
    Vector lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
              std::numeric_limits<double>::infinity()};
    Vector hi = -lo;
};

Box bounds(const std::vector<Vector>& points) {
    Box b;
    for (const Vector& p : points) {
        b.lo = {std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
        b.hi = {std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
    }
    return b;
}

struct CharacterColliders : testing::Test {
    CharacterFixture f;
    std::string before;

    /// Builds the colliders of all slot bones in one undo group, as the create command does.
    void buildAll(int32_t mode = CMD_CREATE) {
        before = f.save();
        f.inUndoGroup([&] {
            for (const char* name : CharacterFixture::slotNames()) createCollider(f.generator, {}, f.joint(name), mode);
        });
    }
};

TEST_F(CharacterColliders, EverySlotBoneGetsAPieceUnderItAndUndoRestoresTheScene) {
    const host::NodeId firstNew = f.engine.reserveFreshId();
    buildAll();
    const host::NodeId lastNew = f.engine.reserveFreshId();

    for (const char* name : CharacterFixture::slotNames()) {
        const host::Object bone = f.joint(name);
        const host::PolygonObject piece = pieceOf(bone);
        ASSERT_TRUE(piece.alive()) << name;
        EXPECT_GT(piece.polygonCount(), 0) << name;
        EXPECT_TRUE(validPolygons(piece.polygons(), piece.points().size())) << name;
        EXPECT_EQ(piece.localMatrix(), host::Matrix{}) << name;
        EXPECT_FALSE(piece.tag(host::tagtype::Weight).alive()) << name;
        EXPECT_EQ(piece.data().getInt(host::param::RenderVisibility), 1);
        EXPECT_TRUE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(piece.id()) >= 0) << name;
        EXPECT_LT(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(piece.id()), 0) << name;
        // No box where a piece was cut.
        EXPECT_FALSE(bone.tag(host::tagtype::Constraint).alive());
        for (host::Object c = bone.firstChild(); c.alive(); c = c.next())
            EXPECT_NE(c.type(), host::type::SubdivisionSurface) << name;
    }
    // Nothing the slicing made is left outside the document.
    for (host::NodeId id = firstNew + 1; id < lastNew; ++id) {
        if (f.engine.exists(id)) {
            EXPECT_NE(f.engine.documentOf(id), host::NoNode) << "node " << id << " left free";
        }
    }
    EXPECT_TRUE(f.engine.feedback().consoleLines.empty()) << f.engine.feedback().consoleLines.front();

    const std::string after = f.save();
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
    ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), after);
}

struct SpanCase {
    const char* bone;
    Vector lo, hi; // world bounds every point of the piece lies in (within 1e-6)
};

void PrintTo(const SpanCase& c, std::ostream* os) {
    *os << c.bone;
}

class PieceSpan : public CharacterColliders, public testing::WithParamInterface<SpanCase> {};

TEST_P(PieceSpan, LiesBetweenTheBonesPlanes) {
    const SpanCase& c = GetParam();
    buildAll();
    const host::Object bone = f.joint(c.bone);
    const Box b = bounds(worldPoints(bone, pieceOf(bone)));
    constexpr double tolerance = 1e-6;
    for (const auto& [low, high, lo, hi, axis] :
         {std::tuple{b.lo.x, b.hi.x, c.lo.x, c.hi.x, 'x'}, std::tuple{b.lo.y, b.hi.y, c.lo.y, c.hi.y, 'y'},
          std::tuple{b.lo.z, b.hi.z, c.lo.z, c.hi.z, 'z'}}) {
        EXPECT_GE(low, lo - tolerance) << axis;
        EXPECT_LE(high, hi + tolerance) << axis;
    }
}

// Bounds worked out from the fixture's layout: each piece starts 5% along its bone and ends 5%
// before the next joint, unless a landmark says otherwise.
INSTANTIATE_TEST_SUITE_P(
    Bones, PieceSpan,
    testing::Values(
        SpanCase{"Spine1", {-12, 110.5, -12}, {12, 119.5, 12}},
        // The root starts at the middle of the hips and spans them.
        SpanCase{"Pelvis", {-12, 95, -12}, {12, 109.5, 12}},
        // The head has no end plane: the torso's top ends it.
        SpanCase{"Head", {-12, 155, -12}, {12, 160, 12}},
        SpanCase{"UpperArm_L", {16, 136, -4}, {34, 144, 4}},
        // The forearm's end tilts toward the hand's first finger: 0.14 per unit of z.
        SpanCase{"Forearm_R", {-54.57, 136, -4}, {-36, 144, 4}},
        // The hand stops where its fingers start.
        SpanCase{"Hand_L", {55, 136, -4}, {62, 144, 4}},
        // The hip keeps its own side of the body, the toe what lies beyond it.
        SpanCase{"Hip_L", {5, 57, -5}, {15, 93, 5}},
        SpanCase{"Knee_R", {-15, 17, -5}, {-5, 53, 5}},
        SpanCase{"Toe_L", {5, 0, -5}, {15, 5, 5}}));

TEST_F(CharacterColliders, TheRootPieceSpansTheHips) {
    buildAll();
    const host::Object pelvis = f.joint("Pelvis");
    const Box b = bounds(worldPoints(pelvis, pieceOf(pelvis)));
    EXPECT_NEAR(b.lo.y, 95, 1e-6);
    EXPECT_LT(b.lo.x, f.pos("Hip_R").x);
    EXPECT_GT(b.hi.x, f.pos("Hip_L").x);
}

TEST_F(CharacterColliders, ExtraModesListThePieceInBothLists) {
    createCollider(f.generator, {}, f.joint("Knee_L"), CMD_CONNECT_SELECTED);
    const host::PolygonObject piece = pieceOf(f.joint("Knee_L"));
    ASSERT_TRUE(piece.alive());
    EXPECT_GE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(piece.id()), 0);
    EXPECT_GE(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(piece.id()), 0);
}

TEST(SliceMesh, WithoutABoneNothingHappens) {
    CharacterFixture f;
    const std::string before = f.save();
    EXPECT_FALSE(sliceMesh(f.generator, f.body, {}, f.weights, CMD_CREATE));
    EXPECT_EQ(f.save(), before);
}

TEST(SliceMesh, AnEndBoneWithoutChildrenMakesNoPiece) {
    CharacterFixture f;
    for (const char* finger : {"Finger1_L", "Finger2_L"}) {
        f.joint(finger).remove();
        f.joint(finger).free();
    }
    f.loadContext();
    EXPECT_FALSE(sliceMesh(f.generator, f.body, f.joint("Hand_L"), f.weights, CMD_CREATE));
    EXPECT_FALSE(pieceOf(f.joint("Hand_L")).alive());
}

TEST(SliceMesh, ABoneWithoutWeightedPolygonsMakesNoPieceAndLeavesNothing) {
    CharacterFixture f;
    const host::Object stray = f.add(host::type::Joint, "Stray", f.joint("Chest"));
    stray.setGlobalMatrix({{0, 300, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    const host::NodeId firstNew = f.engine.reserveFreshId();
    EXPECT_FALSE(sliceMesh(f.generator, f.body, stray, f.weights, CMD_CREATE));
    const host::NodeId lastNew = f.engine.reserveFreshId();
    for (host::NodeId id = firstNew + 1; id < lastNew; ++id) EXPECT_FALSE(f.engine.exists(id)) << id;
    EXPECT_EQ(stray.firstChild().alive(), false);
}

TEST(SliceMesh, CutsTheDeformedMesh) {
    CharacterFixture f;
    // The deformed character stands 1000 units higher; its pieces follow it, not the rest pose.
    std::vector<Vector> lifted(f.body.points().begin(), f.body.points().end());
    for (Vector& p : lifted) p.y += 1000;
    ASSERT_TRUE(f.engine.geometry().setDeformedPoints(f.body.id(), lifted));
    for (const host::Object& j : {f.joint("Pelvis")}) j.setGlobalMatrix({{0, 1100, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    ASSERT_TRUE(sliceMesh(f.generator, f.body, f.joint("Spine1"), f.weights, CMD_CREATE));
    const host::Object bone = f.joint("Spine1");
    const Box b = bounds(worldPoints(bone, pieceOf(bone)));
    EXPECT_GE(b.lo.y, 1110.5 - 1e-6);
    EXPECT_NEAR(b.hi.y, 1119.5, 1e-6);
}

TEST(PrepareMesh, AWeightOfExactlyTheThresholdSelectsNothing) {
    CharacterFixture f;
    // One triangle weighted to a new joint: 0.04 at one corner keeps it out, above it lets it in.
    const host::PolygonObject mesh = f.addMesh("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 2}});
    const host::WeightTag tag(f.addTag(mesh, host::tagtype::Weight));
    const host::Object j = f.add(host::type::Joint, "J");
    const int32_t index = tag.addJoint(j);
    for (int32_t p : {0, 1}) tag.setWeight(index, p, 1.0);
    tag.setWeight(index, 2, 0.04);
    auto [ok, piece] = prepareMesh(mesh, tag, {j}, true);
    ASSERT_TRUE(ok);
    EXPECT_EQ(host::PolygonObject(piece).polygonCount(), 0);
    piece.free();
    tag.setWeight(index, 2, 0.0401);
    std::tie(ok, piece) = prepareMesh(mesh, tag, {j}, true);
    ASSERT_TRUE(ok);
    EXPECT_EQ(host::PolygonObject(piece).polygonCount(), 1);
    piece.free();
    // Not a polygon object: no piece.
    EXPECT_FALSE(prepareMesh(j, tag, {j}, true).first);
}

TEST(KeepNearestPart, SelectsThePointsOfEveryOtherPart) {
    SceneFixture f;
    // Two separate triangles; the bone stands over the second.
    const host::PolygonObject piece =
        f.addMesh("Piece", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {10, 0, 0}, {11, 0, 0}, {10, 1, 0}}, {{0, 1, 2, 2}, {3, 4, 5, 5}});
    const host::Object bone = f.add(host::type::Joint, "Bone");
    bone.setGlobalMatrix({{10.2, 0.2, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    keepNearestPart(bone, piece, f.doc);
    EXPECT_EQ(piece.pointSelection().indices(), (std::vector<int32_t>{0, 1, 2}));
}

} // namespace
} // namespace flumpet::test
