#include "module/joints/rig_census.h"
#include "module/rig_fixture.h"

namespace flumpet::test {
namespace {

struct CommandRig : RigFixture {
    std::vector<std::string> groups() const { return namesOf(childrenOf(generator)); }
    const std::vector<std::string>& console() { return engine.feedback().consoleLines; }
    const std::vector<std::string>& status() { return engine.feedback().statusTexts; }
};

TEST(SpringsCommand, BuildsTheSpringsOfEveryBonePairInOneUndoStep) {
    CommandRig f;
    const std::string before = f.save();
    ASSERT_TRUE(f.press(CMD_CREATE_SPRINGS));
    EXPECT_EQ(f.groups(), std::vector<std::string>{"Flumpet_Springs (frame: 0)"});
    EXPECT_EQ(childrenOf(f.generator.firstChild()).size(), 21u);
    EXPECT_EQ(objectsOfType(f.doc, host::type::Spring).size(), 21u);
    EXPECT_EQ(f.status(), std::vector<std::string>{"Springs Created!"});
    EXPECT_TRUE(f.console().empty());

    const std::string after = f.save();
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
    ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), after);

    // A second press builds a second set beside the first.
    ASSERT_TRUE(f.press(CMD_CREATE_SPRINGS));
    EXPECT_EQ(f.groups().size(), 2u);
    EXPECT_EQ(objectsOfType(f.doc, host::type::Spring).size(), 42u);

    // Deleting what was created leaves the skeleton and its own tags.
    f.press(CMD_DELETE_CREATED);
    EXPECT_TRUE(f.groups().empty());
    EXPECT_TRUE(objectsOfType(f.doc, host::type::Spring).empty());
    EXPECT_EQ(objectsOfType(f.doc, host::type::Joint).size(), 22u);
    EXPECT_EQ(tagsOfType(f.doc, host::tagtype::DynamicsBody).size(), 22u);
}

TEST(SpringsCommand, AnEmptySlotStopsItWithOneConsoleLine) {
    CommandRig f;
    f.link(LEG_B_BONE_2, host::Node{});
    const std::string before = f.save();
    EXPECT_FALSE(f.press(CMD_CREATE_SPRINGS));
    EXPECT_EQ(f.console(), std::vector<std::string>{"Flumpet: Not all bones are assigned!"});
    EXPECT_TRUE(f.status().empty());
    EXPECT_EQ(f.save(), before);
    EXPECT_FALSE(f.engine.undo(f.doc.id()));
}

TEST(SpringsCommand, NoCreatedObjectsListBuildsNothing) {
    CommandRig f;
    host::Container data = f.generator.data();
    data.set(SETTINGS_CREATED_OBJECTS, host::Value{});
    f.generator.setData(data);
    const std::string before = f.save();
    EXPECT_FALSE(f.press(CMD_CREATE_SPRINGS));
    EXPECT_EQ(f.save(), before);
    EXPECT_TRUE(f.status().empty());
}

TEST(SpringsCommand, NothingWhileTheGeneratorIsOff) {
    CommandRig f;
    f.generator.setParameter(host::DescID(host::param::GeneratorEnabled), false);
    const std::string before = f.save();
    EXPECT_TRUE(f.press(CMD_CREATE_SPRINGS));
    EXPECT_EQ(f.save(), before);
}

} // namespace
} // namespace flumpet::test
