#include "joint_rig.h"
#include "joints/chain_builder.h"
#include "joints/skeleton_chain.h"
#include "joints/rig_bodies.h"
#include "rig_census.h"

#include <algorithm>
#include <numbers>

namespace flumpet::test {
namespace {

double stored(double degrees) {
    return static_cast<double>(static_cast<float>(degrees * std::numbers::pi / 180.0));
}

/// Bare joints (no body tags yet), the left arm and right leg bent so that every joint turns.
struct ChainRig : JointRig {
    ChainRig() : JointRig(true, false) {
        joint("UpperArm_L").setLocalPosition({2, -1, 0});
        joint("Forearm_L").setLocalPosition({2, 0, 1});
        joint("Knee_R").setLocalPosition({0.5, -4, 0});
        joint("Ankle_R").setLocalPosition({0, -4, -0.5});
    }
    std::vector<JointChain> twoChains() const {
        return {{joint("Shoulder_L"), joint("UpperArm_L"), joint("Forearm_L"), joint("Hand_L")},
                {joint("Hip_R"), joint("Knee_R"), joint("Ankle_R")}};
    }
    /// Chooses the mode, keeps the document as it then stands in `beforeBuild`, and builds.
    void build(int32_t mode, std::vector<JointChain> chains) {
        generator.setParameter(host::DescID(CONNECTOR_MODE), mode);
        beforeBuild = save();
        buildChainConnectors(std::move(chains), generator, CMD_GENERATE_SELECTED);
    }
    std::string beforeBuild;
};

struct ModeCase {
    int32_t mode;
    int32_t connectorType; // -1: none
    double a1, a2, a3;
    int32_t flag;
    int32_t springKind; // -1: none
    bool bodies;
    const char* group; // the group's name afterwards; "" when it is gone
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << "mode " << c.mode;
}

class ChainModes : public testing::TestWithParam<ModeCase> {};

TEST_P(ChainModes, JoinInnerJointsAndGiveBodies) {
    const ModeCase& c = GetParam();
    ChainRig f;
    f.build(c.mode, f.twoChains());

    const std::vector<std::string> inner{"UpperArm_L", "Forearm_L", "Knee_R"};
    const std::vector<std::string> parents{"Shoulder_L", "UpperArm_L", "Hip_R"};
    const auto connectors = objectsOfType(f.doc, host::type::Connector);
    const auto springs = objectsOfType(f.doc, host::type::Spring);
    ASSERT_EQ(connectors.size(), c.connectorType < 0 ? 0u : 3u);
    ASSERT_EQ(springs.size(), c.springKind < 0 ? 0u : 3u);
    const host::Object group = c.group[0] ? f.generator.lastChild() : host::Object{};
    if (c.group[0])
        EXPECT_EQ(group.name(), c.group);
    else
        EXPECT_FALSE(f.generator.firstChild().alive());
    for (size_t i = 0; i < connectors.size(); ++i) {
        SCOPED_TRACE(inner[i]);
        const host::Container d = connectors[i].data();
        EXPECT_EQ(connectors[i].name(), inner[i] + "_Connector");
        EXPECT_EQ(connectors[i].parent(), group);
        EXPECT_EQ(linkedObject(connectors[i], host::forceparam::ObjectA), f.joint(parents[i]));
        EXPECT_EQ(linkedObject(connectors[i], host::forceparam::ObjectB), f.joint(inner[i]));
        EXPECT_EQ(d.getInt(host::forceparam::Type, -1), c.connectorType);
        EXPECT_EQ(d.getFloat(host::connectorparam::PrimaryAngle), stored(c.a1));
        EXPECT_EQ(d.getFloat(host::connectorparam::AngleStart), stored(c.a2));
        EXPECT_EQ(d.getFloat(host::connectorparam::AngleEnd), stored(c.a3));
        EXPECT_EQ(d.getInt(host::connectorparam::PrimaryAngleFlag, -1), c.flag);
    }
    const bool twist = c.springKind == host::springkind::Twist;
    for (size_t i = 0; i < springs.size(); ++i) {
        SCOPED_TRACE(inner[i]);
        const std::string name = inner[i] + (twist ? "_Spring_Twist" : "_Spring_Bend");
        const auto it = std::find_if(springs.begin(), springs.end(),
                                     [&](const host::Object& s) { return s.name() == name; });
        ASSERT_NE(it, springs.end());
        EXPECT_EQ(it->parent(), twist ? f.joint(inner[i]) : group);
        EXPECT_EQ(linkedObject(*it, host::forceparam::ObjectA), f.joint(parents[i]));
        EXPECT_EQ(linkedObject(*it, host::forceparam::ObjectB), f.joint(inner[i]));
        EXPECT_EQ(it->data().getInt(host::forceparam::Type, -1), c.springKind);
    }
    // Every joint but the last of its chain is a body, protected against edits.
    const std::vector<std::string> bodies =
        c.bodies ? std::vector<std::string>{"Forearm_L", "Hip_R", "Knee_R", "Shoulder_L", "UpperArm_L"}
                 : std::vector<std::string>{};
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::DynamicsBody), bodies);
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::Protection), bodies);
    f.expectUndoAndRedo(f.beforeBuild);
}

INSTANTIATE_TEST_SUITE_P(Modes, ChainModes,
                         testing::Values(ModeCase{0, 0, 80, -20, 100, 1, -1, true, "Flumpet_AdvConnectors"},
                                         ModeCase{1, 3, 20, 60, 120, 0, -1, true, "Flumpet_AdvConnectors"},
                                         ModeCase{2, 6, 20, 60, 120, 0, -1, true, "Flumpet_AdvConnectors"},
                                         ModeCase{3, 4, 20, 60, 120, 0, -1, true, "Flumpet_AdvConnectors"},
                                         ModeCase{4, -1, 0, 0, 0, 0, 0, false, "Flumpet_Springs (frame: 0)"},
                                         ModeCase{5, -1, 0, 0, 0, 0, 1, false, ""},
                                         ModeCase{7, -1, 0, 0, 0, 0, -1, true, "Flumpet_AdvConnectors"}));

TEST(ChainBuilder, ListsEverythingItMakesInBothLists) {
    ChainRig f;
    f.build(1, f.twoChains());
    const host::InExcludeList created = f.list(SETTINGS_CREATED_OBJECTS);
    const host::InExcludeList extra = f.list(ADDITIONAL_InEx_CREATED_OBJECTS);
    // The group, 3 connectors, and for 5 joints a protection tag, a body tag and a box collider
    // of two objects (the cube and its subdivision generator).
    EXPECT_EQ(created.count(), 24);
    EXPECT_EQ(extra.count(), 24);
    for (const host::Tag& t : tagsOfType(f.doc, host::tagtype::Protection)) {
        EXPECT_GE(created.indexOf(t.id()), 0);
        EXPECT_EQ(t.data().getInt(protectionparam::LockMode, -1), 0);
        EXPECT_EQ(t.data().getInt(protectionparam::LockChildren, -1), 0);
    }
    const host::Tag body = f.joint("Knee_R").tag(host::tagtype::DynamicsBody);
    EXPECT_EQ(body.data().getFloat(host::bodytag::Density), 300.0);
    EXPECT_EQ(body.data().getFloat(host::bodytag::RotationMass), 30.0);
    EXPECT_EQ(body.data().getFloat(host::bodytag::FollowPosition), 100.0);
    EXPECT_GE(extra.indexOf(body.id()), 0);
}

TEST(ChainBuilder, ShortChainsGetLittleOrNothing) {
    ChainRig f;
    f.build(1, {{}, {f.joint("Neck")}, {f.joint("Hip_L"), f.joint("Knee_L")}});
    EXPECT_TRUE(objectsOfType(f.doc, host::type::Connector).empty());
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::DynamicsBody), std::vector<std::string>{"Hip_L"});
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::Protection), std::vector<std::string>{"Hip_L"});
    // The successor override keeps the last joint's successor: the last joint itself.
    EXPECT_EQ(successorOverride(f.doc), f.joint("Knee_L"));
}

TEST(ChainBuilder, OverrideMembersFollowTheOverrideStrengths) {
    ChainRig f;
    f.addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, f.joint("Hip_R"));
    f.loadContext();
    f.generator.setParameter(host::DescID(SETTINGS_SELECTED_BONES_FOLLOW_POSITION), 0.3);
    f.build(1, f.twoChains());
    const host::Tag hip = f.joint("Hip_R").tag(host::tagtype::DynamicsBody);
    EXPECT_EQ(hip.data().getFloat(host::bodytag::FollowPosition), 30.000001907348633);
    EXPECT_EQ(hip.data().getFloat(host::bodytag::FollowRotation), 100.0);
    EXPECT_EQ(
        f.joint("Knee_R").tag(host::tagtype::DynamicsBody).data().getFloat(host::bodytag::FollowPosition),
        100.0);
}

} // namespace
} // namespace flumpet::test
