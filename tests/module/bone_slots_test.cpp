#include "bone_slots.h"
#include "rig_fixture.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

struct AssignCase {
    const char* what;
    std::vector<std::string> selected; // in click order
    int32_t button;
    std::vector<std::pair<int32_t, std::string>> expected; // slot parameter, joint name ("" = keeps old)
};

void PrintTo(const AssignCase& c, std::ostream* os) { *os << c.what; }

class AssignChain : public testing::TestWithParam<AssignCase> {};

TEST_P(AssignChain, FillsTheSlotGroupTopDown) {
    RigFixture f(false);
    const host::Object placeholder = f.joint("Toe_R");
    for (int32_t p : {BODY_BONE_1, BODY_BONE_2, BODY_BONE_3, BODY_BONE_4, BODY_BONE_5, BODY_BONE_6, ARM_A_BONE_1,
                      ARM_A_BONE_2, ARM_A_BONE_3, ARM_A_BONE_4})
        f.link(p, placeholder);
    std::vector<host::Object> picks;
    for (const auto& n : GetParam().selected) picks.push_back(f.joint(n));
    for (const auto& o : picks) f.engine.setSelected(o.id(), true);

    EXPECT_TRUE(f.press(GetParam().button));
    for (const auto& [param, name] : GetParam().expected)
        EXPECT_EQ(f.linked(param), name.empty() ? placeholder.id() : f.joint(name).id()) << "slot " << param;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AssignChain,
    testing::Values(
        AssignCase{"shoulder to hand",
                   {"Shoulder_L", "Hand_L"},
                   ARM_A_ASSIGN_SELECTED,
                   {{ARM_A_BONE_1, "Shoulder_L"}, {ARM_A_BONE_2, "UpperArm_L"}, {ARM_A_BONE_3, "Forearm_L"}, {ARM_A_BONE_4, "Hand_L"}}},
        AssignCase{"click order does not matter",
                   {"Hand_L", "Shoulder_L"},
                   ARM_A_ASSIGN_SELECTED,
                   {{ARM_A_BONE_1, "Shoulder_L"}, {ARM_A_BONE_4, "Hand_L"}}},
        AssignCase{"two adjacent joints keep the rest",
                   {"Pelvis", "Spine1"},
                   BODY_ASSIGN_SELECTED,
                   {{BODY_BONE_1, "Pelvis"}, {BODY_BONE_2, "Spine1"}, {BODY_BONE_3, ""}, {BODY_BONE_6, ""}}},
        AssignCase{"fewer than two joints change nothing", {"Pelvis"}, BODY_ASSIGN_SELECTED, {{BODY_BONE_1, ""}}},
        AssignCase{"lower joint not below the upper one",
                   {"Hand_L", "Hand_R"},
                   ARM_A_ASSIGN_SELECTED,
                   {{ARM_A_BONE_1, ""}, {ARM_A_BONE_2, ""}}}));

TEST(AssignChain, LongerChainUsesItsTopJoints) {
    RigFixture f(false);
    // Pelvis .. Head is six joints; a seventh below Head is left out.
    host::Object extra = f.add(host::type::Joint, "HeadTop", f.joint("Head"));
    f.select({f.joint("Pelvis"), extra});
    f.press(BODY_ASSIGN_SELECTED);
    EXPECT_EQ(f.linked(BODY_BONE_1), f.joint("Pelvis").id());
    EXPECT_EQ(f.linked(BODY_BONE_6), f.joint("Head").id());
}

TEST(AssignChain, NullsBetweenJointsArePassedThrough) {
    RigFixture f(false);
    host::Object a = f.add(host::type::Joint, "A");
    host::Object offset = f.addNull("Offset", a);
    host::Object b = f.add(host::type::Joint, "B", offset);
    host::Object c = f.add(host::type::Joint, "C", b);
    host::Object d = f.add(host::type::Joint, "D", c);
    f.select({a, d});
    f.press(LEG_B_ASSIGN_SELECTED);
    EXPECT_EQ(f.linked(LEG_B_BONE_1), a.id());
    EXPECT_EQ(f.linked(LEG_B_BONE_2), b.id());
    EXPECT_EQ(f.linked(LEG_B_BONE_3), c.id());
    EXPECT_EQ(f.linked(LEG_B_BONE_4), d.id());
}

TEST(BoneSlots, LoadResolvesOnlyObjectsOfTheGeneratorsDocument) {
    RigFixture f;
    const host::Document otherDoc(&f.engine, f.engine.newDocument());
    host::Object stranger(&f.engine, f.engine.allocObject(host::type::Joint));
    otherDoc.insertLast(stranger);
    f.generator.setParameter(host::DescID(BODY_BONE_2), host::Link{stranger.id()});
    const BoneSlotTable table = loadBoneSlots(f.generator);
    EXPECT_EQ(table.bones[0], f.joint("Pelvis").id());
    EXPECT_EQ(table.bones[1], host::NoNode);
    EXPECT_EQ(table.bones[9], f.joint("Hand_L").id());
    EXPECT_EQ(table.bones[10], f.joint("Hip_L").id());
    EXPECT_FALSE(table.complete());
}

// Only objects fill slots: a tag linked into a slot leaves it empty, so the create command's
// check that all 22 bones are assigned cannot pass on it.
TEST(BoneSlots, ATagLinkedIntoASlotLeavesItEmpty) {
    RigFixture f;
    ASSERT_TRUE(loadBoneSlots(f.generator).complete());
    f.link(BODY_BONE_3, f.body("Spine2"));
    const BoneSlotTable table = loadBoneSlots(f.generator);
    EXPECT_EQ(table.bones[2], host::NoNode);
    EXPECT_FALSE(table.complete());
    const std::string before = f.save();
    EXPECT_FALSE(f.press(CMD_CREATE_SPRINGS)); // the command refuses to run
    EXPECT_EQ(f.engine.feedback().consoleLines, std::vector<std::string>{"Flumpet: Not all bones are assigned!"});
    EXPECT_EQ(f.save(), before);
}

} // namespace
} // namespace flumpet::test
