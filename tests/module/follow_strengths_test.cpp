#include "follow_strengths.h"
#include "rig_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace flumpet::test {
namespace {

// A rig as the create command leaves it: the created-objects list is not empty.
struct BuiltRig : RigFixture {
    BuiltRig() { addToList(SETTINGS_CREATED_OBJECTS, addNull("Flumpet_Connectors", generator)); }
};

TEST(FollowStrengths, PercentConversionIsSinglePrecision) {
    EXPECT_EQ(toPercent(0.3), 30.000001907348633);
    EXPECT_EQ(toPercent(1.0), 100.0);
    EXPECT_EQ(toSingle(0.1), static_cast<double>(0.1f));
}

TEST(FollowStrengths, SlotPositionSkipsOverrideMembers) {
    BuiltRig f;
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Knee_L"));
    f.generator.setParameter(host::DescID(SETTINGS_SELECTED_BONES_FOLLOW_POSITION), 0.7);
    EXPECT_TRUE(f.set(SETTINGS_CONTROL_FOLLOW_POSITION, 0.3));
    EXPECT_EQ(f.followPosition("Pelvis"), 30.000001907348633);
    EXPECT_EQ(f.followPosition("Toe_R"), 30.000001907348633);
    EXPECT_EQ(f.followPosition("Knee_L"), toPercent(0.7));
    EXPECT_EQ(f.followRotation("Pelvis"), -1.0); // untouched
}

TEST(FollowStrengths, SlotValuesNeedBuiltRig) {
    RigFixture f; // created-objects list empty
    EXPECT_TRUE(f.set(SETTINGS_CONTROL_FOLLOW_ROTATION, 0.5));
    EXPECT_EQ(f.followRotation("Pelvis"), -1.0);
}

TEST(FollowStrengths, OverrideValuesGoToListedMembers) {
    BuiltRig f;
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Hand_L"));
    EXPECT_TRUE(f.set(SETTINGS_SELECTED_BONES_FOLLOW_ROTATION, 0.25));
    EXPECT_EQ(f.followRotation("Hand_L"), 25.0);
    EXPECT_EQ(f.followRotation("Hand_R"), -1.0);

    host::Container data = f.generator.data();
    data.remove(SETTINGS_CREATED_OBJECTS);
    f.generator.setData(data);
    EXPECT_FALSE(f.set(SETTINGS_SELECTED_BONES_FOLLOW_ROTATION, 0.5)); // no created-objects list
}

TEST(FollowStrengths, ExtraValuesFollowTheLiveUpdateSwitch) {
    RigFixture f;
    host::Object link = f.add(host::type::Sphere, "Chain_joint_0");
    host::Tag tag = f.addTag(link, host::tagtype::DynamicsBody);
    f.addToList(ADDITIONAL_InEx_CREATED_OBJECTS, tag);

    EXPECT_TRUE(f.set(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY, 250.0));
    EXPECT_EQ(RigFixture::tagFloat(tag, host::bodytag::Density), 250.0);

    f.generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_BOOL), false);
    EXPECT_TRUE(f.set(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY, 400.0));
    EXPECT_EQ(RigFixture::tagFloat(tag, host::bodytag::Density), 250.0);

    f.generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_BOOL), true);
    host::Container data = f.generator.data();
    data.remove(ADDITIONAL_InEx_CREATED_OBJECTS);
    f.generator.setData(data);
    EXPECT_FALSE(f.set(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS, 20.0));
}

TEST(FollowStrengths, ExtraPositionSparesOverrideMembers) {
    RigFixture f;
    host::Object a = f.add(host::type::Joint, "A");
    host::Object b = f.add(host::type::Joint, "B");
    const host::Tag ta = f.addTag(a, host::tagtype::DynamicsBody), tb = f.addTag(b, host::tagtype::DynamicsBody);
    f.addToList(ADDITIONAL_InEx_CREATED_OBJECTS, ta);
    f.addToList(ADDITIONAL_InEx_CREATED_OBJECTS, tb);
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, b);
    EXPECT_TRUE(f.set(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION, 0.5));
    EXPECT_EQ(RigFixture::tagFloat(ta, host::bodytag::FollowPosition), 50.0);
    EXPECT_EQ(RigFixture::tagFloat(tb, host::bodytag::FollowPosition), -1.0);
}

TEST(FollowStrengths, AddSelectedReplacesTheOverrideList) {
    BuiltRig f;
    f.generator.setParameter(host::DescID(SETTINGS_CONTROL_FOLLOW_POSITION), 0.2);
    f.generator.setParameter(host::DescID(SETTINGS_CONTROL_FOLLOW_ROTATION), 0.4);
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Head"));
    host::Object noBody = f.add(host::type::Joint, "NoBody");
    f.select({f.joint("Hand_L"), f.joint("Hand_R"), noBody});

    EXPECT_TRUE(f.press(SETTINGS_CONTROL_ADD_SELECTED));
    EXPECT_EQ(f.followPosition("Head"), toPercent(0.2)); // old member reset
    EXPECT_EQ(f.followRotation("Head"), toPercent(0.4));
    const host::InExcludeList overrides = f.list(SETTINGS_SELECTED_BONES_SELECTED_BONES);
    ASSERT_EQ(overrides.count(), 2); // the joint without a body is not listed
    EXPECT_GE(overrides.indexOf(f.joint("Hand_L").id()), 0);
    EXPECT_EQ(f.followRotation("Hand_R"), 100.0); // 1048 defaults to 1.0
    EXPECT_EQ(f.followPosition("Hand_R"), 0.0);

    f.select({});
    EXPECT_TRUE(f.press(SETTINGS_CONTROL_ADD_SELECTED));
    EXPECT_EQ(f.list(SETTINGS_SELECTED_BONES_SELECTED_BONES).count(), 0);
    EXPECT_EQ(f.followRotation("Hand_R"), toPercent(0.4));
}

TEST(FollowStrengths, ListEditsPushOverrideValues) {
    BuiltRig f;
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Knee_R"));
    host::ListElementAdded added{host::DescID(SETTINGS_SELECTED_BONES_SELECTED_BONES), f.joint("Knee_R").id()};
    EXPECT_TRUE(f.send(host::msg::ListElementAdded, &added));
    EXPECT_EQ(f.followRotation("Knee_R"), 100.0);

    f.generator.setParameter(host::DescID(SETTINGS_CONTROL_FOLLOW_ROTATION), 0.1);
    host::ListElementRemoved removed{host::DescID(SETTINGS_SELECTED_BONES_SELECTED_BONES), f.joint("Knee_R").id(), 0};
    EXPECT_TRUE(f.send(host::msg::ListElementRemoved, &removed));
    EXPECT_EQ(f.followRotation("Knee_R"), toPercent(0.1));

    // Edits of the other lists touch no tag.
    const std::string before = f.save();
    host::ListElementRemoved other{host::DescID(SETTINGS_CREATED_OBJECTS), host::NoNode, 0};
    EXPECT_TRUE(f.send(host::msg::ListElementRemoved, &other));
    host::ListElementAdded otherAdded{host::DescID(ADDITIONAL_InEx_CREATED_OBJECTS), f.joint("Toe_L").id()};
    EXPECT_TRUE(f.send(host::msg::ListElementAdded, &otherAdded));
    EXPECT_EQ(f.followRotation("Toe_L"), -1.0);
}

TEST(FollowStrengths, ReapplyLetsOverrideWinOverSlotValues) {
    BuiltRig f;
    f.generator.setParameter(host::DescID(SETTINGS_CONTROL_FOLLOW_POSITION), 0.2);
    f.generator.setParameter(host::DescID(SETTINGS_SELECTED_BONES_FOLLOW_POSITION), 0.9);
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Chest"));
    host::Object link = f.add(host::type::Sphere, "Chain");
    host::Tag extraTag = f.addTag(link, host::tagtype::DynamicsBody);
    f.addToList(ADDITIONAL_InEx_CREATED_OBJECTS, extraTag);

    host::ReapplyRequest request{f.generator.id()};
    EXPECT_TRUE(f.send(host::msg::ReapplyAll, &request));
    EXPECT_EQ(f.followPosition("Chest"), toPercent(0.9));
    EXPECT_EQ(f.followRotation("Chest"), 100.0);
    EXPECT_EQ(f.followPosition("Neck"), toPercent(0.2));
    EXPECT_EQ(RigFixture::tagFloat(extraTag, host::bodytag::FollowPosition), 100.0);

    host::ReapplyRequest empty{};
    const std::string before = f.save();
    EXPECT_TRUE(f.send(host::msg::ReapplyAll, &empty));
    EXPECT_EQ(f.save(), before);
}

// A strength stored as a whole number (a file's 1 for 1.0) is read as that number.
TEST(FollowStrengths, IntegerStoredStrengthsAreReadAsNumbers) {
    BuiltRig f;
    EXPECT_TRUE(f.set(SETTINGS_CONTROL_FOLLOW_POSITION, int32_t{1}));
    EXPECT_EQ(f.followPosition("Pelvis"), 100.0);
}

// NaN or a value beyond single precision never reaches a body tag; the old value stays.
TEST(FollowStrengths, NonFiniteStrengthsAreNotPushed) {
    BuiltRig f;
    host::Object link = f.add(host::type::Sphere, "Chain");
    host::Tag extraTag = f.addTag(link, host::tagtype::DynamicsBody);
    f.addToList(ADDITIONAL_InEx_CREATED_OBJECTS, extraTag);
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Chest"));
    ASSERT_TRUE(f.set(SETTINGS_CONTROL_FOLLOW_POSITION, 0.5));
    ASSERT_TRUE(f.set(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY, 250.0));
    host::ReapplyRequest request{f.generator.id()};
    ASSERT_TRUE(f.send(host::msg::ReapplyAll, &request));
    ASSERT_EQ(f.followRotation("Chest"), 100.0);
    for (const double bad : {std::nan(""), 1e300, -1e300}) {
        f.set(SETTINGS_CONTROL_FOLLOW_POSITION, bad);
        f.set(SETTINGS_SELECTED_BONES_FOLLOW_ROTATION, bad);
        f.set(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY, bad);
        f.send(host::msg::ReapplyAll, &request);
        EXPECT_EQ(f.followPosition("Pelvis"), 50.0) << bad;
        for (const auto& [name, joint] : f.joints) {
            EXPECT_TRUE(std::isfinite(f.followPosition(name))) << name << " " << bad;
            EXPECT_TRUE(std::isfinite(f.followRotation(name))) << name << " " << bad;
        }
        EXPECT_EQ(RigFixture::tagFloat(extraTag, host::bodytag::Density), 250.0) << bad;
    }
}

} // namespace
} // namespace flumpet::test
