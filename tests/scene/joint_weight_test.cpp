#include "scene_fixture.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

using host::Bone;
using host::Object;
using host::Vector;
using host::WeightEntry;
using host::WeightTag;

void expectNear(const Vector& a, const Vector& b) {
    EXPECT_NEAR(host::length(a - b), 0.0, 1e-12) << a.x << " " << a.y << " " << a.z;
}

TEST(JointBone, RunsToTheFirstChildJoint) {
    SceneFixture f;
    Object joint = f.add(host::type::Joint, "Arm");
    joint.setLocalMatrix(host::Matrix{{1, 2, 3}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}});
    f.addNull("Helper", joint); // not a joint: skipped
    Object child = f.add(host::type::Joint, "Hand", joint);
    child.setLocalPosition({0, 5, 0});
    f.add(host::type::Joint, "Other", joint).setLocalPosition({7, 0, 0});

    Bone bone;
    ASSERT_TRUE(host::boneOf(joint, bone));
    EXPECT_DOUBLE_EQ(bone.length, 5.0);
    expectNear(bone.frame.off, {1, 2, 3});
    expectNear(bone.frame.v3, {0, 1, 0});  // along the joint's Y axis, where the child is
    expectNear(bone.frame.v1, {0, 0, -1}); // the joint's own X, which already is square to it
    expectNear(host::cross(bone.frame.v1, bone.frame.v2), bone.frame.v3);
    expectNear(bone.frame.off + bone.frame.v3 * bone.length, child.globalPosition());
}

TEST(JointBone, HasNoLengthWithoutAChildJoint) {
    SceneFixture f;
    Object joint = f.add(host::type::Joint, "Tip");
    joint.setLocalMatrix(host::Matrix{{4, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}});
    f.addNull("Helper", joint).setLocalPosition({1, 0, 0});
    Bone bone;
    ASSERT_TRUE(host::boneOf(joint, bone));
    EXPECT_EQ(bone.length, 0.0);
    EXPECT_EQ(bone.frame, (host::Matrix{{4, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    EXPECT_FALSE(host::boneOf(f.addNull("N"), bone));
}

struct WeightedMesh : SceneFixture {
    host::PolygonObject mesh = addMesh("Body", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 3, 2}});
    std::vector<Object> joints = addJointChain({"Hip", "Knee", "Foot"});
    WeightTag tag{addTag(mesh, host::tagtype::Weight)};
    WeightedMesh() {
        tag.addJoint(joints[0]);
        tag.addJoint(joints[1]);
        const std::vector<WeightEntry> hip = {{0, 1.0}, {1, 0.6}, {2, 0.04}};
        tag.setWeights(0, hip);
        tag.setWeight(1, 1, 0.4);
        tag.setWeight(1, 3, 1.0);
    }
};

TEST(WeightTag, AnswersItsLookups) {
    WeightedMesh f;
    EXPECT_EQ(f.tag.jointCount(), 2);
    EXPECT_EQ(f.tag.jointIndex(f.joints[1]), 1);
    EXPECT_EQ(f.tag.jointIndex(f.joints[2]), -1);
    EXPECT_EQ(f.tag.jointIndex(Object{}), -1);
    EXPECT_EQ(f.tag.joint(0), f.joints[0]);
    EXPECT_FALSE(f.tag.joint(5).alive());
    EXPECT_EQ(f.tag.addJoint(f.joints[1]), 1); // already there
    EXPECT_DOUBLE_EQ(f.tag.weight(0, 1), 0.6);
    EXPECT_DOUBLE_EQ(f.tag.weight(1, 0), 0.0);
    EXPECT_DOUBLE_EQ(f.tag.weight(9, 0), 0.0);
    EXPECT_EQ(f.tag.weightCount(0), 3);
    EXPECT_EQ(f.tag.weightCount(1), 2);
    // Setting 0 removes a weight; bad weights are refused.
    EXPECT_TRUE(f.tag.setWeight(0, 2, 0.0));
    EXPECT_EQ(f.tag.weightCount(0), 2);
    EXPECT_FALSE(f.tag.setWeight(0, 2, -0.5));
    EXPECT_FALSE(f.tag.setWeight(0, -1, 0.5));
    const std::vector<WeightEntry> unordered = {{2, 0.5}, {1, 0.5}};
    EXPECT_FALSE(f.tag.setWeights(0, unordered));
    EXPECT_EQ(f.tag.weightCount(0), 2);
}

TEST(WeightTag, JointsAreWeakLinks) {
    WeightedMesh f;
    f.joints[1].remove();
    f.joints[1].free();
    EXPECT_FALSE(f.tag.joint(1).alive()); // gone: nothing dangles
    EXPECT_EQ(f.tag.jointCount(), 2);
    EXPECT_TRUE(f.tag.joint(0).alive());
}

TEST(WeightTag, MessageFiveDropsWeightsPastTheMesh) {
    WeightedMesh f;
    f.tag.setWeight(1, 40, 1.0);
    f.tag.changedSinceLastCheck(host::dirty::Data);
    EXPECT_TRUE(f.tag.message(host::msg::Update));
    EXPECT_DOUBLE_EQ(f.tag.weight(1, 40), 0.0);
    EXPECT_DOUBLE_EQ(f.tag.weight(1, 3), 1.0);
    EXPECT_TRUE(f.tag.changedSinceLastCheck(host::dirty::Data));
}

TEST(WeightTag, SurvivesASaveAndALoadUnderNewIds) {
    WeightedMesh f;
    const std::string text = f.save();
    // Loading the same file again into this engine clashes with every id, so all are renewed.
    const host::NodeId copyId = scene::loadDocument(f.engine, text);
    host::Document copy(&f.engine, copyId);
    const host::Object body = copy.firstObject();
    const WeightTag tag(body.tag(host::tagtype::Weight));
    ASSERT_TRUE(tag.alive());
    ASSERT_NE(tag.id(), f.tag.id());
    const host::Object hip = body.next();
    ASSERT_EQ(hip.name(), "Hip");
    EXPECT_NE(hip.id(), f.joints[0].id());
    EXPECT_EQ(tag.joint(0), hip);
    EXPECT_EQ(tag.joint(1), hip.firstChild());
    for (int32_t j : {0, 1}) {
        const auto original = f.tag.weights(j), loaded = tag.weights(j);
        EXPECT_EQ(std::vector<WeightEntry>(loaded.begin(), loaded.end()),
                  std::vector<WeightEntry>(original.begin(), original.end()));
    }
}

} // namespace
} // namespace flumpet::test
