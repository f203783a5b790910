#include "command_context.h"
#include "joints/skeleton_builders.h"
#include "module/real_character.h"

#include <numbers>

namespace flumpet::test {
namespace {

double stored(double degrees) {
    return static_cast<double>(static_cast<float>(degrees * std::numbers::pi / 180.0));
}

TEST(RealCharacter, SpringsCommandBuildsTwentyOneSpringsAndUndoesExactly) {
    RealCharacter c;
    const std::string before = scene::saveDocument(c.engine, c.doc.id());
    ASSERT_TRUE(c.press(CMD_CREATE_SPRINGS));
    const auto springs = objectsOfType(c.doc, host::type::Spring);
    ASSERT_EQ(springs.size(), 21u);
    EXPECT_EQ(springs[0].parent().name(), "Flumpet_Springs (frame: 0)");
    EXPECT_EQ(springs[0].name(), "B_Spine2_Spring");
    const std::string after = scene::saveDocument(c.engine, c.doc.id());
    ASSERT_TRUE(c.engine.undo(c.doc.id())) << c.engine.lastError();
    EXPECT_EQ(scene::saveDocument(c.engine, c.doc.id()), before);
    ASSERT_TRUE(c.engine.redo(c.doc.id())) << c.engine.lastError();
    EXPECT_EQ(scene::saveDocument(c.engine, c.doc.id()), after);
}

TEST(RealCharacter, ConnectorsStandAtTheirJointsAlongTheBones) {
    RealCharacter c;
    CommandContext& ctx = commandContext();
    ctx.slots = loadBoneSlots(c.generator);
    ctx.refreshLists(c.generator);
    buildSkeletonConnectors(c.generator);
    const auto connectors = objectsOfType(c.doc, host::type::Connector);
    ASSERT_EQ(connectors.size(), 21u);
    const auto connectorOf = [&](const std::string& bone) {
        for (const host::Object& o : connectors)
            if (o.name() == bone + "_Connector") return o;
        ADD_FAILURE() << "no connector for " << bone;
        return host::Object{};
    };
    struct Check {
        const char* bone;
        const char* child; // the chain successor
        const char* from;  // a ball joint's aim starts here; a hinge's upper joint
        bool hinge;
        double a1, a2, a3;
    };
    for (const Check& k : {Check{"B_UpperArm_Left", "B_ForeArm_Left", "B_UpperArm_Left", false, 50, 20, 160},
                           Check{"B_ForeArm_Right", "B_Hand_Right", "B_UpperArm_Right", true, 3, 0, 160},
                           Check{"B_Knee_Left", "B_Ankle_Left", "B_Hip_Left", true, 80, 0, 155},
                           Check{"B_Ankle_Right", "B_Toe_Right", "B_Knee_Right", false, 60, 60, 120},
                           Check{"B_Spine3", "B_Spine4", "B_Spine3", false, 20, 60, 120}}) {
        SCOPED_TRACE(k.bone);
        const host::Object connector = connectorOf(k.bone);
        const host::Matrix m = connector.globalMatrix();
        const host::Vector b = c.find(k.bone).globalPosition(), child = c.find(k.child).globalPosition();
        const host::Vector from = c.find(k.from).globalPosition();
        EXPECT_LT(host::length(m.off - (b + (b - child) * 0.01)), 1e-6);
        const host::Vector z = host::normalise(m.v3);
        if (k.hinge)
            EXPECT_NEAR(std::abs(host::dot(z, host::normalise(host::cross(from - b, child - b)))), 1.0, 1e-6);
        else
            EXPECT_NEAR(host::dot(z, host::normalise(child - from)), 1.0, 1e-6);
        const host::Container data = connector.data();
        EXPECT_EQ(data.getFloat(host::connectorparam::PrimaryAngle), stored(k.a1));
        EXPECT_EQ(data.getFloat(host::connectorparam::AngleStart), stored(k.a2));
        EXPECT_EQ(data.getFloat(host::connectorparam::AngleEnd), stored(k.a3));
    }
}

TEST(RealCharacter, ConnectSelectedJoinsTheJointsToTheLastOne) {
    RealCharacter c;
    c.generator.setParameter(host::DescID(CONNECTOR_MODE), int32_t{1});
    c.select({c.find("B_Finger1_Left"), c.find("B_Thumb1_Left"), c.find("B_Hand_Left")});
    const std::string before = scene::saveDocument(c.engine, c.doc.id());
    ASSERT_TRUE(c.press(CMD_CONNECT_SELECTED));
    const host::Object group = c.generator.firstChild();
    EXPECT_EQ(group.name(), "Flumpet_AdvCon_to_B_Hand_Left");
    EXPECT_EQ(namesOf(childrenOf(group)),
              (std::vector<std::string>{"B_Finger1_Left_Connector", "B_Thumb1_Left_Connector"}));
    EXPECT_EQ(tagsOfType(c.doc, host::tagtype::DynamicsBody).size(), 3u);
    ASSERT_TRUE(c.engine.undo(c.doc.id())) << c.engine.lastError();
    EXPECT_EQ(scene::saveDocument(c.engine, c.doc.id()), before);
}

TEST(RealCharacter, CreateBuildsConnectorsCollidersAndBodiesForEverySlotBone) {
    RealCharacter c;
    CommandContext& ctx = commandContext();
    ctx.slots = loadBoneSlots(c.generator);
    std::vector<host::Object> bones;
    std::vector<size_t> childrenBefore;
    for (int slot = 0; slot < SlotCount; ++slot) {
        bones.push_back(ctx.slots.bone(&c.engine, slot));
        childrenBefore.push_back(childrenOf(bones.back()).size());
    }
    const size_t bodiesBefore = tagsOfType(c.doc, host::tagtype::DynamicsBody).size();
    const std::string before = scene::saveDocument(c.engine, c.doc.id());
    ASSERT_TRUE(c.press(CMD_CREATE));
    EXPECT_EQ(c.engine.feedback().statusTexts.back(), "Flumpet Created!");
    EXPECT_EQ(namesOf(childrenOf(c.generator)), std::vector<std::string>{"Flumpet_Connectors"});
    EXPECT_EQ(objectsOfType(c.doc, host::type::Connector).size(), 21u);
    EXPECT_EQ(tagsOfType(c.doc, host::tagtype::DynamicsBody).size(), bodiesBefore + 22);
    EXPECT_EQ(tagsOfType(c.doc, host::tagtype::Protection).size(), 21u);
    EXPECT_FALSE(bones[0].tag(host::tagtype::Protection).alive());
    for (size_t i = 0; i < bones.size(); ++i) {
        SCOPED_TRACE(bones[i].name());
        // A collider below the bone, and a body whose follow strengths are the ordinary ones.
        EXPECT_EQ(childrenOf(bones[i]).size(), childrenBefore[i] + 1);
        const host::Tag body = bones[i].tag(host::tagtype::DynamicsBody);
        EXPECT_EQ(body.data().getFloat(host::bodytag::Density), 1000.0);
        EXPECT_EQ(body.data().getFloat(host::bodytag::FollowPosition), 0.0);
    }
    const std::string after = scene::saveDocument(c.engine, c.doc.id());
    ASSERT_TRUE(c.engine.undo(c.doc.id())) << c.engine.lastError();
    EXPECT_EQ(scene::saveDocument(c.engine, c.doc.id()), before);
    ASSERT_TRUE(c.engine.redo(c.doc.id())) << c.engine.lastError();
    EXPECT_EQ(scene::saveDocument(c.engine, c.doc.id()), after);
}

} // namespace
} // namespace flumpet::test
