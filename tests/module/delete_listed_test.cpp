#include "rig_fixture.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

TEST(DeleteCreated, RemovesRigObjectsKeepsJointsAndUndoesExactly) {
    RigFixture f;
    host::Object group = f.addNull("Flumpet_Connectors", f.generator);
    host::Object cube = f.add(host::type::Cube, "Hip_L_Cube", f.joint("Hip_L"));
    host::Tag protection = f.addTag(f.joint("Knee_L"), host::tagtype::Protection);
    const std::vector<host::Node> listed{group, cube, protection, f.joint("Toe_L"), f.body("Toe_L")};
    for (const host::Node& n : listed)
        f.addToList(SETTINGS_CREATED_OBJECTS, n);
    const std::string before = f.save();

    EXPECT_TRUE(f.press(CMD_DELETE_CREATED));
    EXPECT_FALSE(group.alive());
    EXPECT_FALSE(cube.alive());
    EXPECT_FALSE(protection.alive());
    EXPECT_FALSE(f.body("Toe_L").alive());
    EXPECT_TRUE(f.joint("Toe_L").alive()); // a listed joint is the character's own
    EXPECT_EQ(f.engine.feedback().statusTexts.back(), "Flumpet: Deleted!");
    EXPECT_EQ(f.list(SETTINGS_CREATED_OBJECTS).count(), 5); // the list keeps its entries
    const std::string after = f.save();

    // A second press finds only dead entries and says so all the same.
    f.engine.feedback().statusTexts.clear();
    EXPECT_TRUE(f.press(CMD_DELETE_CREATED));
    EXPECT_EQ(f.engine.feedback().statusTexts, std::vector<std::string>{"Flumpet: Deleted!"});
    EXPECT_EQ(f.save(), after);

    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(f.save(), before);
    EXPECT_TRUE(cube.alive());
    ASSERT_TRUE(f.engine.redo(f.doc.id()));
    EXPECT_EQ(f.save(), after);
}

TEST(DeleteExtra, UsesTheExtraListAndNothingWithoutAList) {
    RigFixture f;
    host::Object sphere = f.add(host::type::Sphere, "Rope_joint_0");
    host::Object cube = f.add(host::type::Cube, "Other");
    f.addToList(ADDITIONAL_InEx_CREATED_OBJECTS, sphere);
    f.addToList(SETTINGS_CREATED_OBJECTS, cube);
    EXPECT_TRUE(f.press(CMD_DELETE_EXTRA));
    EXPECT_FALSE(sphere.alive());
    EXPECT_TRUE(cube.alive());

    host::Container data = f.generator.data();
    data.remove(ADDITIONAL_InEx_CREATED_OBJECTS);
    f.generator.setData(data);
    f.engine.feedback().statusTexts.clear();
    EXPECT_TRUE(f.press(CMD_DELETE_EXTRA));
    EXPECT_TRUE(f.engine.feedback().statusTexts.empty());
}

TEST(Buttons, DoNothingWhileTheGeneratorIsSwitchedOff) {
    RigFixture f;
    host::Object cube = f.add(host::type::Cube, "C");
    f.addToList(SETTINGS_CREATED_OBJECTS, cube);
    f.generator.setParameter(host::DescID(host::param::GeneratorEnabled), false);
    f.select({f.joint("Pelvis"), f.joint("Spine1")});
    const std::string before = f.save();
    for (int32_t button : {CMD_DELETE_CREATED, CMD_DELETE_EXTRA, BODY_ASSIGN_SELECTED, SETTINGS_CONTROL_ADD_SELECTED})
        EXPECT_TRUE(f.press(button));
    EXPECT_TRUE(f.set(SETTINGS_CONTROL_FOLLOW_POSITION, 0.5));
    EXPECT_EQ(f.generator.data().getFloat(SETTINGS_CONTROL_FOLLOW_POSITION), 0.5);
    f.generator.setParameter(host::DescID(SETTINGS_CONTROL_FOLLOW_POSITION), 0.0);
    EXPECT_EQ(f.save(), before);
    EXPECT_TRUE(f.engine.feedback().statusTexts.empty());
}

} // namespace
} // namespace flumpet::test
