#include "colliders/aim_matrix.h"
#include "colliders/body_setup.h"
#include "colliders/box_fitting.h"
#include "colliders/create_collider.h"
#include "colliders/cube_collider.h"
#include "joints/skeleton_chain.h"
#include "module/character_fixture.h"
#include "module/joints/joint_rig.h"

namespace flumpet::test {
namespace {

using host::DescID;
using host::Vector;

/// A bone's box collider: its "_SubD" child and the "_Cube" inside it.
struct BoxCollider {
    host::Object subd, cube;
    bool made() const { return subd.alive() && cube.alive(); }
    Vector size() const { return cube.data().getVector(host::primitive::CubeSize); }
};

BoxCollider boxOf(const host::Object& bone) {
    for (host::Object c = bone.firstChild(); c.alive(); c = c.next())
        if (c.name() == bone.name() + "_SubD") return {c, c.firstChild()};
    return {};
}

/// Twice the distance from a 12-sided tube's axis to its wall: between its faces (radius·cos 15°)
/// and its corners (radius), where the scattered rays meet it.
testing::AssertionResult fitsTube(double size, double radius) {
    const double lo = 2 * radius * std::cos(std::numbers::pi / 12) - 1e-3, hi = 2 * radius + 1e-3;
    if (size >= lo && size <= hi) return testing::AssertionSuccess();
    return testing::AssertionFailure() << size << " is not within [" << lo << ", " << hi << "]";
}

bool hasPiece(const host::Object& bone) {
    for (host::Object c = bone.firstChild(); c.alive(); c = c.next())
        if (c.name() == bone.name() + "_Body_collider") return true;
    return false;
}

struct SwitchCase {
    const char* what;
    int32_t switchParam; // set to 1; 0 for none
    int32_t mode;
    bool box;   // a box is made (else a piece)
    bool extra; // the made objects are also in the extra-objects list
};

void PrintTo(const SwitchCase& c, std::ostream* os) {
    *os << c.what;
}

class SlicingSwitches : public testing::TestWithParam<SwitchCase> {};

TEST_P(SlicingSwitches, ChooseBetweenPieceAndBoxAndTheLists) {
    CharacterFixture f;
    const SwitchCase& c = GetParam();
    if (c.switchParam != 0) f.generator.setParameter(DescID(c.switchParam), true);
    const host::Object bone = f.joint("Forearm_L");
    createCollider(f.generator, {}, bone, c.mode);

    EXPECT_EQ(hasPiece(bone), !c.box);
    const BoxCollider box = boxOf(bone);
    ASSERT_EQ(box.made(), c.box);
    if (!c.box) return;
    EXPECT_EQ(box.cube.name(), "Forearm_L_Cube");
    for (const host::Object& o : {box.subd, box.cube}) {
        EXPECT_GE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(o.id()), 0) << o.name();
        EXPECT_EQ(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(o.id()) >= 0, c.extra) << o.name();
    }
    // Fitted to the arm: the rays meet the tube of radius 4 around the bone.
    EXPECT_TRUE(fitsTube(box.size().x, 4));
    EXPECT_TRUE(fitsTube(box.size().z, 4));
    EXPECT_FLOAT_EQ(box.size().y, 20.0F);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SlicingSwitches,
    testing::Values(SwitchCase{"create slices by default", 0, CMD_CREATE, false, false},
                    SwitchCase{"1115 makes create build a box", CUBES_COLLIDERS, CMD_CREATE, true, false},
                    SwitchCase{"1115 makes the collider command build a box", CUBES_COLLIDERS, CMD_GENERATE_COLLIDERS, true, false},
                    SwitchCase{"1117 leaves create slicing", CUBES_COLLIDERS2, CMD_CREATE, false, false},
                    SwitchCase{"1117 makes the chain builder build a box", CUBES_COLLIDERS2, CMD_GENERATE_SELECTED, true, true},
                    SwitchCase{"1117 makes connect-selected build a box", CUBES_COLLIDERS2, CMD_CONNECT_SELECTED, true, true},
                    SwitchCase{"1115 leaves connect-selected slicing", CUBES_COLLIDERS, CMD_CONNECT_SELECTED, false, true}));

TEST(BoxCollider, SpansTheBoneInsideItsSubdivisionSurface) {
    CharacterFixture f;
    const host::Object bone = f.joint("UpperArm_L");
    const std::string before = f.save();
    f.inUndoGroup([&] { createCubeCollider(f.generator, bone, CMD_CREATE); });
    const BoxCollider box = boxOf(bone);
    ASSERT_TRUE(box.made());
    EXPECT_EQ(box.size(), (Vector{4, 20, 4}));
    EXPECT_EQ(box.cube.localMatrix().off, (Vector{0, 10, 0}));
    EXPECT_EQ(box.cube.data().getInt(host::param::RenderVisibility), 1);
    EXPECT_TRUE(box.cube.tag(host::tagtype::Phong).alive());
    const host::Container subd = box.subd.data();
    EXPECT_EQ(subd.getInt(host::param::UseDisplayColour), 2);
    EXPECT_EQ(subd.getInt(host::subdivision::EditorLevel), 2);
    EXPECT_EQ(subd.getInt(host::subdivision::RenderLevel), 2);
    // Aimed along the bone: Y toward the forearm, in world space.
    const host::Matrix m = box.subd.globalMatrix();
    EXPECT_TRUE(near(m.off, f.pos("UpperArm_L"), 1e-9));
    EXPECT_TRUE(near(m.v2, {1, 0, 0}, 1e-9));
    EXPECT_TRUE(near(box.cube.globalPosition(), {25, 140, 0}, 1e-6));
    // The clamp constraint follows the body mesh.
    const host::Tag clamp = box.cube.tag(host::tagtype::Constraint);
    ASSERT_TRUE(clamp.alive());
    EXPECT_EQ(clamp.name(), "Clamp-Const for Cube Sizes");
    const host::Container c = clamp.data();
    EXPECT_EQ(c.getLinkId(host::constraint::Target), f.body.id());
    EXPECT_EQ(c.getContainer(host::constraint::ClampSettings).getInt(host::constraint::ClampMode), 4);
    EXPECT_EQ(c.getInt(host::constraint::ClampTo), 5);
    EXPECT_EQ(c.getFloat(host::constraint::ClampTolerance), 0.00001);

    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
}

TEST(BoxCollider, ASuccessorAtTheBonesOwnPlaceGivesAnEmptyBox) {
    CharacterFixture f;
    // A free joint whose successor (the chain builder's override) stands where it does.
    const host::Object bone = f.add(host::type::Joint, "Lone");
    const host::Object twin = f.addNull("Twin");
    bone.setGlobalMatrix({{3, 4, 5}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    twin.setGlobalMatrix({{3, 4, 5}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    setSuccessorOverride(twin);
    const host::Object cube = createCubeCollider(f.generator, bone, CMD_GENERATE_SELECTED);
    clearSuccessorOverride();
    ASSERT_TRUE(cube.alive());
    EXPECT_EQ(cube.data().getVector(host::primitive::CubeSize), (Vector{0, 0, 0}));
    EXPECT_EQ(cube.localMatrix().off, (Vector{0, 0, 0}));
    const host::Matrix m = boxOf(bone).subd.globalMatrix();
    EXPECT_EQ(m.off, (Vector{3, 4, 5}));
    for (const Vector& axis : {m.v1, m.v2, m.v3}) EXPECT_EQ(axis, (Vector{}));
}

TEST(BoxCollider, TheRootBoxIsCentredOnTheRootAndReachesItsEndBothWays) {
    CharacterFixture f;
    const host::Object cube = createCubeCollider(f.generator, f.joint("Pelvis"), CMD_CREATE);
    // The joint's own centre is its origin; the end is Spine1, 10 above.
    EXPECT_EQ(cube.localMatrix().off, (Vector{}));
    EXPECT_EQ(cube.data().getVector(host::primitive::CubeSize), (Vector{2, 20, 2}));
}

TEST(BoxCollider, AnEndBoneWithThreeChildrenReachesTheirAverage) {
    CharacterFixture f;
    const host::Object hand = f.joint("Hand_L");
    const host::Object thumb = f.add(host::type::Joint, "Thumb_L", hand);
    thumb.setGlobalMatrix({{58, 143, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    const host::Object cube = createCubeCollider(f.generator, hand, CMD_CREATE);
    // Children at (62, 140, ±2) and (58, 143, 0): average (60.667, 141, 0).
    const Vector a{182.0 / 3, 141, 0}, p = f.pos("Hand_L");
    EXPECT_TRUE(near(cube.globalPosition(), (p + a) * 0.5, 1e-9));
    const float first = static_cast<float>(host::distanceSingle(p, f.pos("Finger1_L")));
    const Vector size = cube.data().getVector(host::primitive::CubeSize);
    EXPECT_FLOAT_EQ(size.y, static_cast<float>(host::distanceSingle(p, a)));
    EXPECT_FLOAT_EQ(size.x, first / 5);
    EXPECT_FLOAT_EQ(size.z, first / 5);
    EXPECT_TRUE(near(boxOf(hand).subd.globalMatrix().v2, host::normalise(a - p), 1e-9));
}

TEST(BoxCollider, WithoutAWeightedMeshTheBoxKeepsItsSizeAndHasNoConstraint) {
    CharacterFixture f;
    f.generator.setParameter(DescID(CUBES_COLLIDERS), true);
    const host::Object stray = f.add(host::type::Joint, "Stray", f.joint("Chest"));
    const host::Object child = f.add(host::type::Joint, "StrayEnd", stray);
    child.setLocalPosition({0, 0, 10});
    createCollider(f.generator, {}, stray, CMD_CREATE);
    const BoxCollider box = boxOf(stray);
    ASSERT_TRUE(box.made());
    EXPECT_FALSE(box.cube.tag(host::tagtype::Constraint).alive());
    EXPECT_EQ(box.size(), (Vector{2, 10, 2}));
    EXPECT_FALSE(fittingLists().filled());
}

TEST(BoxCollider, AWeightTagDeletedSinceItWasCollectedIsSkipped) {
    CharacterFixture f;
    f.body.remove();
    f.body.free();
    const host::Object bone = f.joint("Knee_L");
    createCollider(f.generator, {}, bone, CMD_CREATE);
    const BoxCollider box = boxOf(bone);
    ASSERT_TRUE(box.made());
    EXPECT_FALSE(box.cube.tag(host::tagtype::Constraint).alive());
}

TEST(BoxCollider, ListedMeshesAreFittedToEvenWithoutWeights) {
    CharacterFixture f;
    f.weights.remove();
    f.weights.free();
    f.loadContext();
    f.addToList(SETTINGS_RETARGET_CHARACTER_MESH, f.body);
    const host::Object bone = f.joint("Knee_L");
    createCollider(f.generator, {}, bone, CMD_CREATE);
    const BoxCollider box = boxOf(bone);
    ASSERT_TRUE(box.made());
    EXPECT_TRUE(fitsTube(box.size().x, 5));
    EXPECT_TRUE(fitsTube(box.size().z, 5));
}

TEST(BoxCollider, AnAxisNoRayHitKeepsTheBoxsOwnSize) {
    // Fitted to a listed mesh far off, every ray misses: the box keeps its fifth of the bone's
    // length instead of growing to 200 units.
    CharacterFixture f;
    f.weights.remove();
    f.weights.free();
    f.loadContext();
    const host::Object faraway = f.addMesh("Faraway", {{1000, 0, 0}, {1001, 0, 0}, {1000, 1, 0}}, {{0, 1, 2, 2}});
    f.addToList(SETTINGS_RETARGET_CHARACTER_MESH, faraway);
    const host::Object bone = f.joint("Knee_L");
    createCollider(f.generator, {}, bone, CMD_CREATE);
    const BoxCollider box = boxOf(bone);
    ASSERT_TRUE(box.made());
    EXPECT_NEAR(box.size().x, box.size().y / 5, 1e-3);
    EXPECT_NEAR(box.size().z, box.size().y / 5, 1e-3);
}

TEST(BoxCollider, ReFittingASelectedBoxUsesTheLastSelectedMeshAndIsUndone) {
    CharacterFixture f;
    const host::Object cube = createCubeCollider(f.generator, f.joint("Knee_R"), CMD_GENERATE_COLLIDERS);
    const host::Object other = f.addMesh("Other", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 2}});
    f.select({f.body, other});
    f.select({other, f.body});
    const std::string before = f.save();
    f.inUndoGroup([&] { createCollider(f.generator, cube, {}, CMD_GENERATE_COLLIDERS); });
    EXPECT_TRUE(fitsTube(cube.data().getVector(host::primitive::CubeSize).x, 5));
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
}

TEST(AimMatrix, AimsYAndKeepsZNearTheUpVector) {
    const host::Matrix m = aimMatrix({1, 1, 1}, {1, 5, 1}, {0, 0, 2});
    EXPECT_EQ(m.off, (Vector{1, 1, 1}));
    EXPECT_EQ(m.v2, (Vector{0, 1, 0}));
    EXPECT_EQ(m.v1, (Vector{1, 0, 0}));
    EXPECT_EQ(m.v3, (Vector{0, 0, 1}));
    const host::Matrix flat = aimMatrix({0, 0, 0}, {0, 0, 3}, {0, 0, 1});
    EXPECT_EQ(flat.v1, (Vector{}));
    EXPECT_EQ(flat.v3, (Vector{}));
}

struct BodyCase {
    const char* what;
    int timesListed; // how often the bone is in the override list
    bool chain;      // setupChainBody, else setupBoneBody
    double position, rotation, density, rotationMass;
};

void PrintTo(const BodyCase& c, std::ostream* os) {
    *os << c.what;
}

class BodySetup : public testing::TestWithParam<BodyCase> {};

TEST_P(BodySetup, WritesTheTagAndTheFollowStrengths) {
    CharacterFixture f;
    const BodyCase& c = GetParam();
    f.generator.setParameter(DescID(SETTINGS_CONTROL_FOLLOW_POSITION), 0.3);
    f.generator.setParameter(DescID(SETTINGS_CONTROL_FOLLOW_ROTATION), 0.4);
    f.generator.setParameter(DescID(SETTINGS_SELECTED_BONES_FOLLOW_POSITION), 0.6);
    f.generator.setParameter(DescID(SETTINGS_SELECTED_BONES_FOLLOW_ROTATION), 0.7);
    const host::Object bone = f.joint("Knee_L");
    if (c.timesListed == 0) f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Knee_R"));
    for (int i = 0; i < c.timesListed; ++i) f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, bone);
    f.loadContext();
    const host::Tag tag(&f.engine, f.engine.allocTag(host::tagtype::DynamicsBody));
    const std::string before = f.save();
    f.inUndoGroup([&] {
        if (c.chain)
            setupChainBody(f.generator, tag, 300.0F, 30.0F, 0.7F, 0.7F, bone);
        else
            setupBoneBody(f.generator, tag, 1000.0F, 10.0F, 0.7F, 0.7F, bone);
    });
    ASSERT_EQ(tag.object(), bone);
    const host::Container d = tag.data();
    EXPECT_EQ(d.getInt(11006), 2);
    EXPECT_EQ(d.getInt(11033), 11);
    EXPECT_EQ(d.getInt(11011), 1);
    EXPECT_EQ(d.getFloat(host::bodytag::Density), c.density);
    EXPECT_EQ(d.getFloat(host::bodytag::RotationMass), c.rotationMass);
    EXPECT_EQ(d.getFloat(11056), static_cast<double>(0.7F));
    EXPECT_EQ(d.getFloat(host::bodytag::FollowPosition), c.position);
    EXPECT_EQ(d.getFloat(host::bodytag::FollowRotation), c.rotation);
    EXPECT_GE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(tag.id()), 0);
    EXPECT_EQ(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(tag.id()) >= 0, c.chain);
    if (!c.chain) {
        ASSERT_TRUE(f.engine.undo(f.doc.id()));
        EXPECT_EQ(f.save(), before);
    }
}

double pct(double v) {
    return static_cast<double>(static_cast<float>(v) * 100.0F);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BodySetup,
    testing::Values(BodyCase{"a bone outside the override list", 0, false, pct(0.3), pct(0.4), 1000, 10},
                    BodyCase{"a bone listed once", 1, false, pct(0.6), pct(0.7), 1000, 10},
                    BodyCase{"a bone listed twice", 2, false, pct(0.6), pct(0.7), 1000, 10},
                    BodyCase{"a chain member outside the list", 0, true, 100, 100, 300, 30},
                    BodyCase{"a listed chain member", 1, true, pct(0.6), pct(0.7), 300, 30}));

} // namespace
} // namespace flumpet::test
