#include "joint_rig.h"
#include "joints/skeleton_chain.h"

namespace flumpet::test {
namespace {

struct NeighbourCase {
    const char* bone;
    const char* successor;   // "" for none
    const char* predecessor; // "" for none
};

void PrintTo(const NeighbourCase& c, std::ostream* os) {
    *os << c.bone;
}

class ChainNeighboursOfSlots : public testing::TestWithParam<NeighbourCase> {};

TEST_P(ChainNeighboursOfSlots, FollowTheTemplate) {
    JointRig f;
    const NeighbourCase& c = GetParam();
    const ChainNeighbours n = chainNeighbours(f.generator, f.joint(c.bone));
    const auto idOf = [&](const char* name) { return *name ? f.joint(name).id() : host::NoNode; };
    EXPECT_EQ(n.successor.id(), idOf(c.successor));
    EXPECT_EQ(n.predecessor.id(), idOf(c.predecessor));
}

INSTANTIATE_TEST_SUITE_P(Slots, ChainNeighboursOfSlots,
                         testing::Values(NeighbourCase{"Pelvis", "Spine1", ""},
                                         NeighbourCase{"Chest", "Neck", "Spine2"},
                                         NeighbourCase{"Head", "Head", "Neck"}, // end of chain without child
                                         NeighbourCase{"Shoulder_L", "UpperArm_L", "Chest"},
                                         NeighbourCase{"Forearm_R", "Hand_R", "UpperArm_R"},
                                         NeighbourCase{"Hand_L", "Hand_L", "Forearm_L"},
                                         NeighbourCase{"Hip_L", "Knee_L", "Pelvis"},
                                         NeighbourCase{"Hip_R", "Knee_R", "Pelvis"},
                                         NeighbourCase{"Toe_R", "Toe_R", "Ankle_R"}));

TEST(ChainNeighbours, EndOfChainFollowsItsFirstChild) {
    JointRig f;
    const host::Object finger = f.add(host::type::Joint, "Finger", f.joint("Hand_L"));
    f.add(host::type::Joint, "Thumb", f.joint("Hand_L"));
    EXPECT_EQ(chainNeighbours(f.generator, f.joint("Hand_L")).successor.id(), finger.id());
}

TEST(ChainNeighbours, OutsideTheSlotsThereAreNone) {
    JointRig f;
    const host::Object stranger = f.add(host::type::Joint, "Tail", f.joint("Pelvis"));
    const ChainNeighbours n = chainNeighbours(f.generator, stranger);
    EXPECT_FALSE(n.successor.alive());
    EXPECT_FALSE(n.predecessor.alive());
}

TEST(ChainNeighbours, LowerSlotAnswersForABoneInTwoSlots) {
    JointRig f;
    f.link(ARM_A_BONE_2, f.joint("Chest")); // Chest now fills S3 and S7
    f.loadContext();
    const ChainNeighbours n = chainNeighbours(f.generator, f.joint("Chest"));
    EXPECT_EQ(n.successor.id(), f.joint("Neck").id());
    EXPECT_EQ(n.predecessor.id(), f.joint("Spine2").id());
}

TEST(ChainNeighbours, NoBoneMatchesTheFirstEmptySlot) {
    JointRig f;
    f.generator.setParameter(host::DescID(BODY_BONE_3), host::Link{}); // S2 empty
    f.loadContext();
    const ChainNeighbours n = chainNeighbours(f.generator, host::Object{});
    EXPECT_EQ(n.successor.id(), f.joint("Chest").id());
    EXPECT_EQ(n.predecessor.id(), f.joint("Spine1").id());
}

TEST(SuccessorOverride, IsAWeakLinkClearedWhenTheModuleEnds) {
    JointRig f;
    const host::Object tail = f.add(host::type::Joint, "Tail", f.joint("Pelvis"));
    EXPECT_FALSE(successorOverride(f.doc).alive());
    setSuccessorOverride(tail);
    EXPECT_EQ(successorOverride(f.doc).id(), tail.id());

    f.doc.startUndo();
    f.doc.addUndo(host::undo::DeleteObject, tail);
    tail.remove();
    tail.free();
    f.doc.endUndo();
    EXPECT_FALSE(successorOverride(f.doc).alive()); // gone with the object
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_EQ(successorOverride(f.doc).id(), tail.id()); // and back with it

    f.engine.unloadModule();
    EXPECT_FALSE(successorOverride(f.doc).alive());
}

} // namespace
} // namespace flumpet::test
