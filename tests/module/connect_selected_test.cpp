#include "connect_selected.h"
#include "module/joints/joint_rig.h"
#include "module/joints/rig_census.h"

#include <algorithm>
#include <numbers>

namespace flumpet::test {
namespace {

double stored(double degrees) {
    return static_cast<double>(static_cast<float>(degrees * std::numbers::pi / 180.0));
}

/// Bare joints (bodies only where a test adds them), selections made in click order.
struct ConnectRig : JointRig {
    explicit ConnectRig(bool bodies = false) : JointRig(true, bodies) {
        joint("Spine1").setLocalPosition({0.3, 1, 0});
        joint("Neck").setLocalPosition({0, 1, 0.4});
    }
    /// Chooses the mode and the selection, keeps the document as it then stands in
    /// `beforeCommand`, and presses the button.
    bool connect(int32_t mode, std::initializer_list<host::Object> selection) {
        generator.setParameter(host::DescID(CONNECTOR_MODE), mode);
        select(selection);
        beforeCommand = save();
        return press(CMD_CONNECT_SELECTED);
    }
    std::string beforeCommand;
};

struct ModeCase {
    int32_t mode;
    int32_t connectorType; // -1: springs
    double a1, a2, a3;
    int32_t flag;
    bool protection;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << "mode " << c.mode;
}

class ConnectModes : public testing::TestWithParam<ModeCase> {};

TEST_P(ConnectModes, JoinEveryMemberToTheTarget) {
    const ModeCase& c = GetParam();
    ConnectRig f;
    ASSERT_TRUE(f.connect(c.mode, {f.joint("Spine1"), f.joint("Neck"), f.joint("Hand_L")}));

    const std::vector<std::string> members{"Spine1", "Neck"};
    const host::Object group = f.generator.firstChild();
    if (c.mode == 5) {
        EXPECT_FALSE(group.alive());
        EXPECT_TRUE(objectsOfType(f.doc, host::type::Null).empty());
    } else {
        ASSERT_TRUE(group.alive());
        EXPECT_EQ(group.type(), host::type::Null);
        EXPECT_EQ(group.name(), c.mode == 4 ? "Flumpet_Springs (frame: 0)" : "Flumpet_AdvCon_to_Hand_L");
        EXPECT_FALSE(group.next().alive());
    }
    const auto connectors = objectsOfType(f.doc, host::type::Connector);
    const auto springs = objectsOfType(f.doc, host::type::Spring);
    ASSERT_EQ(connectors.size(), c.connectorType < 0 ? 0u : 2u);
    ASSERT_EQ(springs.size(), c.connectorType < 0 ? 2u : 0u);
    for (size_t i = 0; i < connectors.size(); ++i) {
        SCOPED_TRACE(members[i]);
        const host::Container d = connectors[i].data();
        EXPECT_EQ(connectors[i].name(), members[i] + "_Connector");
        EXPECT_EQ(connectors[i].parent(), group);
        EXPECT_EQ(linkedObject(connectors[i], host::forceparam::ObjectA), f.joint("Hand_L"));
        EXPECT_EQ(linkedObject(connectors[i], host::forceparam::ObjectB), f.joint(members[i]));
        EXPECT_EQ(d.getInt(host::forceparam::Type, -1), c.connectorType);
        EXPECT_EQ(d.getFloat(host::connectorparam::PrimaryAngle), stored(c.a1));
        EXPECT_EQ(d.getFloat(host::connectorparam::AngleStart), stored(c.a2));
        EXPECT_EQ(d.getFloat(host::connectorparam::AngleEnd), stored(c.a3));
        EXPECT_EQ(d.getInt(host::connectorparam::PrimaryAngleFlag, -1), c.flag);
    }
    for (const host::Object& s : springs) {
        const std::string member = s.name().substr(0, s.name().find('_'));
        SCOPED_TRACE(s.name());
        EXPECT_EQ(s.name(), member + (c.mode == 4 ? "_Spring_Bend" : "_Spring_Twist"));
        EXPECT_EQ(s.parent(), c.mode == 4 ? group : f.joint(member));
        EXPECT_EQ(linkedObject(s, host::forceparam::ObjectA), f.joint("Hand_L"));
        EXPECT_EQ(linkedObject(s, host::forceparam::ObjectB), f.joint(member));
    }
    const std::vector<std::string> all{"Hand_L", "Neck", "Spine1"};
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::DynamicsBody), all);
    EXPECT_EQ(taggedNames(f.doc, host::tagtype::Protection), c.protection ? all : std::vector<std::string>{});
    EXPECT_TRUE(f.engine.feedback().statusTexts.empty());
    f.expectUndoAndRedo(f.beforeCommand);

    // Deleting what was created leaves the character as it was.
    f.press(CMD_DELETE_CREATED);
    for (int32_t type : {host::type::Null, host::type::Connector, host::type::Spring})
        EXPECT_TRUE(objectsOfType(f.doc, type).empty()) << type;
    for (int32_t type : {host::tagtype::DynamicsBody, host::tagtype::Protection})
        EXPECT_TRUE(tagsOfType(f.doc, type).empty()) << type;
    EXPECT_EQ(objectsOfType(f.doc, host::type::Joint).size(), 22u);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ConnectModes,
    testing::Values(ModeCase{0, 0, 80, 0, 155, 1, true}, ModeCase{1, 3, 20, 60, 120, 0, true},
                    ModeCase{2, 6, 20, 60, 120, 0, true}, ModeCase{3, 4, 20, 60, 120, 0, true},
                    ModeCase{4, -1, 0, 0, 0, 0, false}, ModeCase{5, -1, 0, 0, 0, 0, false},
                    ModeCase{6, 3, 20, 60, 120, 0, false}, ModeCase{9, 0, 80, 0, 155, 1, true}));

TEST(ConnectSelected, SpringGroupIsNamedByTheFrameAndColoured) {
    ConnectRig f;
    host::Container data = f.doc.data();
    data.set(host::docparam::Time, host::Time{12, 30});
    data.set(host::docparam::FrameRate, int32_t{30});
    f.doc.setData(data);
    ASSERT_TRUE(f.connect(4, {f.joint("Spine1"), f.joint("Neck"), f.joint("Hand_L")}));
    const host::Object group = f.generator.firstChild();
    EXPECT_EQ(group.name(), "Flumpet_Springs (frame: 12)");
    host::Value colour;
    ASSERT_TRUE(group.getParameter(host::DescID(host::param::DisplayColour), colour));
    const host::Vector rgb = std::get<host::Vector>(colour);
    // Value 0.86 is the largest component, saturation 0.81 sets the smallest.
    EXPECT_NEAR(std::max({rgb.x, rgb.y, rgb.z}), 0.86, 1e-6);
    EXPECT_NEAR(std::min({rgb.x, rgb.y, rgb.z}), 0.86 * (1 - 0.81), 1e-6);
}

TEST(ConnectSelected, RopeModeTakesAnyObjectAndBodiesKeepTheirTags) {
    ConnectRig f(true);
    const host::Object rope = f.addNull("Rope");
    ASSERT_TRUE(f.connect(6, {rope, f.joint("Spine1"), f.joint("Hand_L")}));
    const auto connectors = objectsOfType(f.doc, host::type::Connector);
    ASSERT_EQ(connectors.size(), 2u);
    EXPECT_EQ(connectors[0].name(), "Rope_Connector");
    // The joints were bodies already: only the null gets a tag, and no protection anywhere.
    const auto bodies = tagsOfType(f.doc, host::tagtype::DynamicsBody);
    EXPECT_EQ(bodies.size(), 23u);
    EXPECT_TRUE(rope.tag(host::tagtype::DynamicsBody).alive());
    EXPECT_TRUE(tagsOfType(f.doc, host::tagtype::Protection).empty());
}

TEST(ConnectSelected, FewerThanTwoJointsBuildNothing) {
    ConnectRig f;
    const host::Object null = f.addNull("Null");
    EXPECT_TRUE(f.connect(1, {f.joint("Spine1"), null}));
    EXPECT_EQ(f.save(), f.beforeCommand);
    EXPECT_TRUE(f.connect(1, {}));
    EXPECT_EQ(f.save(), f.beforeCommand);
    EXPECT_FALSE(f.engine.undo(f.doc.id()));
}

TEST(ConnectSelected, MissingListsAreMadeWithTheCommand) {
    ConnectRig f;
    for (int32_t list : {SETTINGS_CREATED_OBJECTS, ADDITIONAL_InEx_CREATED_OBJECTS}) {
        host::Container data = f.generator.data();
        data.set(list, host::Value{});
        f.generator.setData(data);
    }
    ASSERT_TRUE(f.connect(1, {f.joint("Spine1"), f.joint("Hand_L")}));
    // The group, the connector, and for both joints a body tag, a protection tag and a box
    // collider of two objects (the cube and its subdivision generator).
    EXPECT_EQ(f.list(SETTINGS_CREATED_OBJECTS).count(), 10);
    EXPECT_EQ(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).count(), 10);
    f.expectUndoAndRedo(f.beforeCommand);
}

TEST(ConnectSelected, NextBoneIsTheJointBelow) {
    ConnectRig f;
    const host::Object a = f.add(host::type::Joint, "A");
    const host::Object aNull = f.addNull("Null", a);
    const host::Object aJoint = f.add(host::type::Joint, "B", a);
    const host::Object c = f.add(host::type::Joint, "C");
    f.addNull("Lonely", c);
    const host::Object d = f.add(host::type::Joint, "D");
    EXPECT_EQ(nextBoneOf(f.joint("Spine1")), f.joint("Spine2"));
    EXPECT_EQ(nextBoneOf(a), aJoint);
    EXPECT_EQ(nextBoneOf(c), c);
    EXPECT_EQ(nextBoneOf(d), d);
    (void)aNull;
}

} // namespace
} // namespace flumpet::test
