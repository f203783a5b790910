#include "colliders/box_fitting.h"
#include "colliders/cube_collider.h"
#include "command_context.h"
#include "module/character_fixture.h"
#include "module/joints/rig_census.h"
#include "support/expected_scene.h"

#include <algorithm>

namespace flumpet::test {
namespace {

using host::DescID;
using host::Vector;

/// The character with bare joints, so that every body tag is one a command made.
struct SelectionRig : CharacterFixture {
    SelectionRig() {
        for (const auto& [name, joint] : joints)
            if (const host::Tag body = joint.tag(host::tagtype::DynamicsBody); body.alive()) {
                body.remove();
                body.free();
            }
    }
    /// Presses a button with the scene saved as `before`; then undo gives `before` back and
    /// redo the scene the button left.
    void pressAndCheckUndo(int32_t button) {
        before = save();
        ASSERT_TRUE(press(button));
        after = save();
        ASSERT_TRUE(engine.undo(doc.id())) << engine.lastError();
        EXPECT_EQ(save(), before);
        ASSERT_TRUE(engine.redo(doc.id())) << engine.lastError();
        EXPECT_EQ(save(), after);
    }
    void clearLists() {
        host::Container data = generator.data();
        for (int32_t list : {SETTINGS_CREATED_OBJECTS, ADDITIONAL_InEx_CREATED_OBJECTS}) data.set(list, host::Value{});
        generator.setData(data);
    }
    /// A box with its clamp constraint aimed at the body, at a world position.
    host::Object clampedBox(const std::string& name, const Vector& at, const host::Object& parent = {}) {
        host::Object box = add(host::type::Cube, name, parent);
        box.setParameter(DescID(host::primitive::CubeSize), Vector{1, 30, 1});
        box.setGlobalMatrix({at, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
        addTag(box, host::tagtype::Constraint).setParameter(DescID(host::constraint::Target), host::Link{body.id()});
        return box;
    }
    static Vector size(const host::Object& box) { return box.data().getVector(host::primitive::CubeSize); }
    std::string before, after;
};

bool hasChildNamed(const host::Object& parent, const std::string& name) {
    const auto children = childrenOf(parent);
    return std::any_of(children.begin(), children.end(), [&](const host::Object& c) { return c.name() == name; });
}

// Bottom joint selected first: the chain still runs from the shoulder down. The inner joints get
// hinge connectors, every joint but the hand a piece of the body, a protection and a body tag.
TEST(GenerateSelected, RigsTheChainBetweenTheSelectedJointsInOneUndoStep) {
    SelectionRig f;
    f.select({f.joint("Hand_L"), f.joint("Shoulder_L")});
    const int64_t refreshes = f.engine.refreshCount();
    f.pressAndCheckUndo(CMD_GENERATE_SELECTED);
    EXPECT_GT(f.engine.refreshCount(), refreshes);
    EXPECT_TRUE(f.engine.feedback().statusTexts.empty());

    const host::Object group = f.generator.lastChild();
    EXPECT_EQ(group.name(), "Flumpet_AdvConnectors");
    EXPECT_EQ(namesOf(childrenOf(group)), (std::vector<std::string>{"UpperArm_L_Connector", "Forearm_L_Connector"}));
    const std::vector<std::string> bodies{"Forearm_L", "Shoulder_L", "UpperArm_L"};
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::DynamicsBody), bodies);
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::Protection), bodies);
    for (const std::string& name : bodies) EXPECT_TRUE(hasChildNamed(f.joint(name), name + "_Body_collider")) << name;
    EXPECT_FALSE(hasChildNamed(f.joint("Hand_L"), "Hand_L_Body_collider"));
    // Everything made is in both lists.
    EXPECT_EQ(f.list(SETTINGS_CREATED_OBJECTS), f.list(ADDITIONAL_InEx_CREATED_OBJECTS));
    EXPECT_GE(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(group.id()), 0);
    expectMatchesFile(sceneDigest(f.engine, f.doc), "generate_selected_arm.txt");
}

TEST(GenerateSelected, NothingSelectedLeavesOnlyTheEmptyGroup) {
    SelectionRig f;
    f.pressAndCheckUndo(CMD_GENERATE_SELECTED);
    const host::Object group = f.generator.lastChild();
    EXPECT_EQ(group.name(), "Flumpet_AdvConnectors");
    EXPECT_FALSE(group.firstChild().alive());
    EXPECT_TRUE(taggedNames(f.doc, host::tagtype::DynamicsBody).empty());
}

TEST(GenerateSelected, ListsTheGeneratorLackedAreMadeAsAStepOfTheirOwn) {
    SelectionRig f;
    f.clearLists();
    f.select({f.joint("Hip_R"), f.joint("Knee_R"), f.joint("Ankle_R")});
    const std::string before = f.save();
    ASSERT_TRUE(f.press(CMD_GENERATE_SELECTED));
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::DynamicsBody), (std::vector<std::string>{"Hip_R", "Knee_R"}));
    EXPECT_EQ(f.list(SETTINGS_CREATED_OBJECTS), f.list(ADDITIONAL_InEx_CREATED_OBJECTS));
    EXPECT_GT(f.list(SETTINGS_CREATED_OBJECTS).count(), 0);
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(f.list(SETTINGS_CREATED_OBJECTS).count(), 0);
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(f.save(), before);
}

// Selected boxes, also below a selected null, are sized by their clamp constraints; a box that is
// not selected itself stays as it is.
TEST(SimpleSolverCommand, SizesTheSelectedBoxesInOneUndoStep) {
    SelectionRig f;
    const host::Object arm = f.clampedBox("ArmBox", {45, 140, 0});
    const host::Object holder = f.addNull("Holder");
    const host::Object leg = f.clampedBox("LegBox", {-10, 40, 0}, holder);
    const host::Object idle = f.clampedBox("IdleBox", {10, 40, 0}, holder);
    f.select({holder, leg, arm, f.joint("Knee_L")});
    f.pressAndCheckUndo(CMD_SIMPLE_SOLVER);
    EXPECT_EQ(f.engine.feedback().statusTexts, std::vector<std::string>{"Simple_Solver!"});
    // Three times the distance from the bone's axis to the tube's wall (radius 4 arm, 5 leg).
    for (const auto& [box, radius] : {std::pair{arm, 4.0}, std::pair{leg, 5.0}}) {
        SCOPED_TRACE(box.name());
        EXPECT_NEAR(SelectionRig::size(box).x, 3 * radius, 3 * radius * 0.05);
        EXPECT_EQ(SelectionRig::size(box).x, SelectionRig::size(box).z);
        EXPECT_EQ(SelectionRig::size(box).y, 30.0);
    }
    EXPECT_EQ(SelectionRig::size(idle), (Vector{1, 30, 1}));
}

TEST(SimpleSolverCommand, NoBoxSelectedShowsItsTextAndChangesNothing) {
    SelectionRig f;
    f.clampedBox("ArmBox", {45, 140, 0});
    f.select({f.joint("Knee_L")});
    const std::string before = f.save();
    ASSERT_TRUE(f.press(CMD_SIMPLE_SOLVER));
    EXPECT_EQ(f.engine.feedback().statusTexts, std::vector<std::string>{"Simple_Solver!"});
    EXPECT_EQ(f.save(), before);
}

// A selected joint with a child gets its piece, one without a child nothing; a selected box is
// re-fitted to the listed mesh. Weight tags collected by an earlier command are not left behind.
TEST(GenerateColliders, PiecesForJointsWithChildrenAndRefitsSelectedBoxes) {
    SelectionRig f;
    f.addToList(SETTINGS_RETARGET_CHARACTER_MESH, f.body);
    const host::Object box = createCubeCollider(f.generator, f.joint("Knee_R"), CMD_GENERATE_COLLIDERS);
    f.select({f.joint("Knee_L"), f.joint("Toe_L"), box});
    const Vector sizeBefore = SelectionRig::size(box);
    f.pressAndCheckUndo(CMD_GENERATE_COLLIDERS);
    EXPECT_EQ(f.engine.feedback().statusTexts, std::vector<std::string>{"GeRay_Solver!"});
    EXPECT_TRUE(hasChildNamed(f.joint("Knee_L"), "Knee_L_Body_collider"));
    EXPECT_TRUE(childrenOf(f.joint("Toe_L")).empty());
    EXPECT_NE(SelectionRig::size(box), sizeBefore);
    EXPECT_NEAR(SelectionRig::size(box).x, 10.0, 0.5); // the leg tube's diameter
    EXPECT_TRUE(commandContext().weightTags.empty());
    // Made objects go to the created-objects list only.
    EXPECT_GT(f.list(SETTINGS_CREATED_OBJECTS).count(), 0);
    EXPECT_EQ(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).count(), 0);
    expectMatchesFile(sceneDigest(f.engine, f.doc), "generate_colliders.txt");
}

// Only weight tags from the generator onward count: with the body before the generator the joint
// finds no weighted mesh and gets a plain box instead of a piece.
TEST(GenerateColliders, WeightTagsAreCollectedFromTheGeneratorOnward) {
    for (const bool generatorFirst : {true, false}) {
        SCOPED_TRACE(generatorFirst ? "generator first" : "generator last");
        SelectionRig f;
        if (!generatorFirst) {
            f.generator.remove();
            f.doc.insertLast(f.generator);
        }
        f.select({f.joint("Knee_L")});
        ASSERT_TRUE(f.press(CMD_GENERATE_COLLIDERS));
        EXPECT_EQ(hasChildNamed(f.joint("Knee_L"), "Knee_L_Body_collider"), generatorFirst);
        EXPECT_EQ(hasChildNamed(f.joint("Knee_L"), "Knee_L_SubD"), !generatorFirst);
    }
}

TEST(GenerateColliders, MissingListsAreMadeWithTheCommand) {
    SelectionRig f;
    f.clearLists();
    f.select({f.joint("Knee_L")});
    f.pressAndCheckUndo(CMD_GENERATE_COLLIDERS);
    EXPECT_GT(f.list(SETTINGS_CREATED_OBJECTS).count(), 0);
    EXPECT_TRUE(ListRef::of(f.generator, ADDITIONAL_InEx_CREATED_OBJECTS).present());
}

} // namespace
} // namespace flumpet::test
