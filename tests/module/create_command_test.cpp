#include "joints/rig_bodies.h"
#include "module/joints/rig_census.h"
#include "module/rig_fixture.h"

#include <algorithm>

namespace flumpet::test {
namespace {

/// Bare joints, so that every body tag is one the command made.
struct CreateRig : RigFixture {
    CreateRig() : RigFixture(true, false) {}
    std::vector<std::string> slotNames() const {
        std::vector<std::string> out;
        for (const auto& [name, j] : joints)
            out.push_back(name);
        return out; // the map is sorted by name
    }
};

TEST(CreateCommand, BuildsTheWholeRigInOneUndoStep) {
    CreateRig f;
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Knee_L"));
    const std::string before = f.save();
    std::vector<std::pair<int32_t, std::string>> progress;
    f.engine.feedback().progress = [&](int32_t percent, const std::string& text) { progress.emplace_back(percent, text); };
    ASSERT_TRUE(f.press(CMD_CREATE));
    EXPECT_EQ(f.engine.feedback().statusTexts, std::vector<std::string>{"Flumpet Created!"});
    // The status bar follows the bones in walk order and is cleared at the end.
    ASSERT_EQ(progress.size(), 23u);
    EXPECT_EQ(progress.front(), std::make_pair(0, std::string("Pelvis")));
    EXPECT_EQ(progress[21].first, 21 * 100 / 22);
    EXPECT_LT(progress.back().first, 0);

    const auto groups = childrenOf(f.generator);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name(), "Flumpet_Connectors");
    EXPECT_EQ(childrenOf(groups[0]).size(), 21u);
    // One collider under every slot bone.
    for (const auto& [name, joint] : f.joints) {
        size_t colliders = 0;
        for (const host::Object& c : childrenOf(joint))
            if (c.type() != host::type::Joint) ++colliders;
        EXPECT_EQ(colliders, 1u) << name;
    }
    // Every slot bone a body; all but the root protected.
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::DynamicsBody), f.slotNames());
    std::vector<std::string> protectedBones = f.slotNames();
    protectedBones.erase(std::find(protectedBones.begin(), protectedBones.end(), "Pelvis"));
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::Protection), protectedBones);
    for (const host::Tag& t : tagsOfType(f.doc, host::tagtype::Protection))
        EXPECT_EQ(t.data().getInt(protectionparam::LockMode, -1), 1);
    // Slot bones follow the ordinary strengths, the override-list member the override ones.
    EXPECT_EQ(f.body("Spine1").data().getFloat(host::bodytag::Density), 1000.0);
    EXPECT_EQ(f.body("Spine1").data().getFloat(host::bodytag::RotationMass), 10.0);
    EXPECT_EQ(f.followRotation("Spine1"), 0.0);
    EXPECT_EQ(f.followRotation("Knee_L"), 100.0);

    const std::string after = f.save();
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
    ASSERT_TRUE(f.engine.redo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), after);

    // A second press builds a second full set.
    ASSERT_TRUE(f.press(CMD_CREATE));
    EXPECT_EQ(childrenOf(f.generator).size(), 2u);
    EXPECT_EQ(objectsOfType(f.doc, host::type::Connector).size(), 42u);
    EXPECT_EQ(tagsOfType(f.doc, host::tagtype::DynamicsBody).size(), 44u);
    EXPECT_EQ(tagsOfType(f.doc, host::tagtype::Protection).size(), 42u);

    // Deleting what was created leaves the bare skeleton.
    f.press(CMD_DELETE_CREATED);
    EXPECT_TRUE(childrenOf(f.generator).empty());
    EXPECT_EQ(allObjects(f.doc).size(), 23u);
    EXPECT_TRUE(tagsOfType(f.doc, host::tagtype::DynamicsBody).empty());
    EXPECT_TRUE(tagsOfType(f.doc, host::tagtype::Protection).empty());
}

TEST(CreateCommand, AnEmptySlotStopsItWithOneConsoleLine) {
    CreateRig f;
    f.link(ARM_B_BONE_3, host::Node{});
    const std::string before = f.save();
    EXPECT_FALSE(f.press(CMD_CREATE));
    EXPECT_EQ(f.engine.feedback().consoleLines,
              std::vector<std::string>{"Flumpet: Not all bones are assigned!"});
    EXPECT_EQ(f.save(), before);
    EXPECT_FALSE(f.engine.undo(f.doc.id()));
}

TEST(CreateCommand, OverrideBodiesOutsideTheSlotsGetTheirStrengthsBackOnUndo) {
    CreateRig f;
    const host::Object prop = f.addNull("Prop");
    const host::Tag tag = f.addTag(prop, host::tagtype::DynamicsBody);
    tag.setParameter(host::DescID(host::bodytag::FollowPosition), 12.0);
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, prop);
    f.generator.setParameter(host::DescID(SETTINGS_SELECTED_BONES_FOLLOW_POSITION), 0.3);
    const std::string before = f.save();
    ASSERT_TRUE(f.press(CMD_CREATE));
    EXPECT_EQ(tag.data().getFloat(host::bodytag::FollowPosition), 30.000001907348633);
    EXPECT_EQ(tag.data().getFloat(host::bodytag::FollowRotation), 100.0);
    ASSERT_TRUE(f.engine.undo(f.doc.id())) << f.engine.lastError();
    EXPECT_EQ(f.save(), before);
}

} // namespace
} // namespace flumpet::test
