#include "joint_rig.h"
#include "joints/joint_frames.h"
#include "joints/springs.h"

namespace flumpet::test {
namespace {

using host::Vector;

/// Two joints A and B, B's bone of length 5 along its Y axis (to its child joint "End").
struct TwistRig : JointRig {
    host::Object a = add(host::type::Joint, "Upper");
    host::Object b = add(host::type::Joint, "Lower", a);
    host::Object end = add(host::type::Joint, "End", b);
    TwistRig() {
        a.setLocalPosition({1, 2, 3});
        b.setLocalPosition({0, 3, 0});
        b.setLocalRotation({0.4, 0, 0}); // a heading leaves B's Y axis where it is
        end.setLocalPosition({0, 5, 0});
    }
    bool twist(const host::Object& endObject) {
        return createBendTwistSpring(generator, 1, a, b, b, endObject, b);
    }
};

TEST(BoneAxis, TheJointsAxisAlongItsBone) {
    TwistRig f;
    const BoneAxisInfo info = boneAxis(f.b);
    EXPECT_EQ(info.axis, axisindex::PlusY);
    EXPECT_DOUBLE_EQ(info.length, 5.0);
    EXPECT_TRUE(near(info.boneMatrix.off + info.boneMatrix.v3 * info.length, f.end.globalPosition(), 1e-9));
    f.end.setLocalPosition({0, 0, -2});
    EXPECT_EQ(boneAxis(f.b).axis, axisindex::MinusZ);
}

TEST(BoneAxis, NoBoneNoAnswer) {
    TwistRig f;
    EXPECT_EQ(boneAxis(f.end).axis, axisindex::None);             // a joint without child joints
    EXPECT_EQ(boneAxis(f.addNull("Null")).axis, axisindex::None); // not a joint
    EXPECT_EQ(boneAxis(host::Object{}).axis, axisindex::None);
}

TEST(TwistSpring, FollowsABoneOfLengthFiveAlongY) {
    TwistRig f;
    const std::string before = f.save();
    ASSERT_TRUE(f.inUndoGroup([&] { return f.twist(f.end); }));
    const host::Object spring = f.b.lastChild();
    EXPECT_EQ(spring.name(), "Lower_Spring_Twist");
    EXPECT_EQ(spring.type(), host::type::Spring);
    const host::Container data = spring.data();
    EXPECT_EQ(data.getInt(host::forceparam::Type, -1), host::springkind::Twist);
    EXPECT_EQ(data.getInt(host::forceparam::AxisA, -1), host::forceaxis::Z); // A's bone runs along its Y
    EXPECT_EQ(data.getInt(host::forceparam::AxisB, -1), host::forceaxis::Z);
    EXPECT_EQ(data.getFloat(host::springparam::TwistAngle), static_cast<double>(0.4F)); // B's heading

    const host::Matrix m = spring.globalMatrix();
    const Vector bPos = f.b.globalPosition();
    EXPECT_TRUE(near(m.off, bPos, 1e-9));
    EXPECT_TRUE(near(m.v3, host::normalise(f.end.globalPosition() - bPos), 1e-9));
    // Y across the bone and B's X axis, X across both.
    const Vector bx = f.b.globalMatrix().v1;
    EXPECT_NEAR(host::dot(m.v2, bx), 0.0, 1e-9);
    EXPECT_NEAR(host::length(m.v1), 1.0, 1e-9);
    EXPECT_NEAR(host::dot(m.v1, m.v3), 0.0, 1e-9);
    EXPECT_GE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(spring.id()), 0);
    EXPECT_GE(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(spring.id()), 0);
    f.expectUndoAndRedo(before);
}

TEST(TwistSpring, WithoutABoneItAimsAtTheEndObject) {
    TwistRig f;
    f.end.remove();
    f.end.free();
    host::Object target = f.addNull("Target");
    target.setLocalPosition({4, 5, -7});
    ASSERT_TRUE(f.twist(target));
    const host::Object spring = f.b.lastChild();
    const Vector bPos = f.b.globalPosition();
    EXPECT_TRUE(near(spring.globalMatrix().v3, host::normalise(target.globalPosition() - bPos), 1e-9));
    // Codes from the child axes instead: A reaches B along +Y, B's end lies along -Z of its frame.
    EXPECT_EQ(spring.data().getInt(host::forceparam::AxisA, -1), host::forceaxis::Z);
    EXPECT_EQ(spring.data().getInt(host::forceparam::AxisB, -1), host::forceaxis::X);
}

TEST(TwistSpring, EndAtTheJointKeepsTheJointsAxes) {
    TwistRig f;
    f.end.remove();
    f.end.free();
    ASSERT_TRUE(f.twist(f.b));
    const host::Matrix m = f.b.lastChild().globalMatrix();
    const host::Matrix b = f.b.globalMatrix();
    EXPECT_TRUE(near(m.off, b.off, 1e-12));
    EXPECT_TRUE(near(m.v1, b.v1, 1e-12));
    EXPECT_TRUE(near(m.v2, b.v2, 1e-12));
    EXPECT_TRUE(near(m.v3, b.v3, 1e-12));
}

TEST(BendSpring, GoesUnderTheGivenParent) {
    JointRig f;
    const host::Object group = f.addGroup("Flumpet_Springs (frame: 0)");
    f.joint("Spine2").setLocalPosition({0, 2, 0});
    const std::string before = f.save();
    ASSERT_TRUE(f.inUndoGroup([&] {
        return createBendTwistSpring(f.generator, 0, f.joint("Spine1"), f.joint("Spine2"), f.joint("Spine2"),
                                     f.joint("Chest"), group);
    }));
    const host::Object spring = group.lastChild();
    EXPECT_EQ(spring.name(), "Spine2_Spring_Bend");
    const host::Container data = spring.data();
    EXPECT_EQ(data.getInt(host::forceparam::Type, -1), host::springkind::Bend);
    EXPECT_EQ(data.getFloat(host::forceparam::DisplaySize), 0.5);
    EXPECT_FALSE(data.has(host::forceparam::AxisA));
    EXPECT_FALSE(data.has(host::springparam::TwistAngle));
    // Anchor halfway from the joint to the end object, in A's space; placed at B.
    const Vector mid = (f.pos("Spine2") + f.pos("Chest")) * 0.5;
    EXPECT_TRUE(near(data.getVector(host::springparam::AnchorA),
                     host::inverse(f.joint("Spine1").globalMatrix()) * mid, 1e-12));
    EXPECT_TRUE(near(spring.globalPosition(), f.pos("Spine2"), 1e-12));
    EXPECT_GE(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(spring.id()), 0);

    f.expectUndoAndRedo(before);
}

TEST(PoseSpring, IgnoresItsAnglesAndPole) {
    JointRig f;
    f.generator.setGlobalMatrix({{1, 2, 3}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}});
    const host::Object group = f.addGroup("Flumpet_Springs (frame: 0)");
    const Vector rotation{0, -0.29670597283903605, 0};
    ASSERT_TRUE(createSpring(f.generator, group, 3, f.joint("Pelvis"), f.joint("Hip_L"), degrees(90),
                             degrees(25), degrees(155), f.joint("Hip_L"), {1, 2, 3}, rotation));
    ASSERT_TRUE(createSpring(f.generator, group, 3, f.joint("Pelvis"), f.joint("Hip_L"), degrees(10),
                             degrees(5), degrees(15), f.joint("Hip_L"), {-7, 0, 0}, rotation));
    const host::Object first = group.firstChild(), second = group.lastChild();
    ASSERT_NE(first.id(), second.id());
    EXPECT_EQ(first.data(), second.data());
    EXPECT_EQ(first.localMatrix(), second.localMatrix());
}

TEST(PoseSpring, ParametersPlacementListAndUndo) {
    JointRig f;
    f.generator.setGlobalMatrix({{1, 2, 3}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}});
    const host::Object group = f.addGroup("Flumpet_Springs (frame: 0)");
    const std::string before = f.save();
    ASSERT_TRUE(f.inUndoGroup([&] {
        return createSpring(f.generator, group, 3, f.joint("Spine1"), f.joint("Spine2"), 0, 0, 0,
                            f.joint("Spine2"), {}, {0, 0, 0});
    }));
    const host::Object spring = group.lastChild();
    EXPECT_EQ(spring.name(), "Spine2_Spring");
    const host::Container data = spring.data();
    EXPECT_EQ(data.getInt(host::forceparam::Type, -1), 3);
    EXPECT_EQ(data.getLinkId(host::forceparam::ObjectA), f.joint("Spine1").id());
    EXPECT_EQ(data.getLinkId(host::forceparam::ObjectB), f.joint("Spine2").id());
    EXPECT_EQ(data.getInt(host::springparam::AnchorMode), 1);
    EXPECT_EQ(data.getInt(host::springparam::AnchorBMode, -1), 0);
    EXPECT_EQ(data.getInt(host::springparam::RestMode, -1), 0);
    EXPECT_EQ(data.getInt(host::forceparam::Visible), 1);
    ASSERT_NE(data.find(host::forceparam::DisplaySize), nullptr);
    EXPECT_TRUE(host::valuesEqual(*data.find(host::forceparam::DisplaySize), host::Value{int32_t{15}}));
    // The middle of the bone toward its chain successor, in A's space; the spring at B.
    const Vector mid = (f.pos("Spine2") + f.pos("Chest")) * 0.5;
    EXPECT_TRUE(near(data.getVector(host::springparam::AnchorA),
                     host::inverse(f.joint("Spine1").globalMatrix()) * mid, 1e-12));
    EXPECT_TRUE(near(spring.globalPosition(), f.pos("Spine2"), 1e-12));
    EXPECT_GE(f.list(SETTINGS_CREATED_OBJECTS).indexOf(spring.id()), 0);
    EXPECT_LT(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).indexOf(spring.id()), 0);

    f.expectUndoAndRedo(before);
}

TEST(PoseSpring, AnchorOfAnObjectAtTheOriginIsTheGlobalMidpoint) {
    JointRig f;
    const host::Object group = f.addGroup("Flumpet_Springs (frame: 0)");
    ASSERT_TRUE(createSpring(f.generator, group, 3, f.joint("Pelvis"), f.joint("Spine1"), 0, 0, 0,
                             f.joint("Spine1"), {}, {}));
    const Vector mid = (f.pos("Spine1") + f.pos("Spine2")) * 0.5;
    EXPECT_EQ(group.lastChild().data().getVector(host::springparam::AnchorA), mid);
}

} // namespace
} // namespace flumpet::test
