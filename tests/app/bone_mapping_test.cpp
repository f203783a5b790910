#include "bone_mapping.h"
#include "mannequin.h"
#include "model_import.h"
#include "object_paths.h"
#include "scene/scene_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace flumpet::test {
namespace {

using Names = std::array<const char*, 22>;

// The mannequin's joints in slot order.
const Names MannequinSlots{"Hips",          "Spine",      "Spine1",      "Spine2",      "Neck",       "Head",
                           "LeftShoulder",  "LeftArm",    "LeftForeArm", "LeftHand",    "LeftUpLeg",  "LeftLeg",
                           "LeftFoot",      "LeftToeBase", "RightShoulder", "RightArm", "RightForeArm", "RightHand",
                           "RightUpLeg",    "RightLeg",   "RightFoot",   "RightToeBase"};

std::vector<app::SkeletonJoint> mannequinSkeleton() {
    SceneFixture s;
    app::insertMannequin(s.engine, s.doc, app::makeMannequin(1000));
    return app::skeletonOf(s.doc);
}

std::vector<std::string> mapped(const app::BoneMapping& m, const std::vector<app::SkeletonJoint>& s) {
    std::vector<std::string> out;
    for (int j : m.joints) out.push_back(j < 0 ? "" : s[size_t(j)].name);
    return out;
}

std::vector<std::string> expected(const Names& names) { return {names.begin(), names.end()}; }

TEST(BoneMapping, MannequinByName) {
    const auto skeleton = mannequinSkeleton();
    const app::BoneMapping m = app::mapBones(skeleton);
    EXPECT_EQ(mapped(m, skeleton), expected(MannequinSlots));
    EXPECT_TRUE(m.complete());
    EXPECT_EQ(m.how[0], app::MappedBy::Name);
}

// The same skeleton under other naming schemes, and under names that say nothing.
TEST(BoneMapping, NamingSchemesAndShape) {
    const std::map<std::string, std::vector<std::string>> schemes{
        // mannequin name -> {underscore scheme, prefixed scheme}
        {"Hips", {"pelvis", "B_Pelvis"}},           {"Spine", {"spine_01", "B_Spine1"}},
        {"Spine1", {"spine_02", "B_Spine2"}},       {"Spine2", {"spine_03", "B_Spine3"}},
        {"Neck", {"neck_01", "B_Neck"}},            {"Head", {"head", "B_Head"}},
        {"HeadTop_End", {"head_end", "B_Head_Nub"}}, {"LeftShoulder", {"clavicle_l", "B_Clavicle_Left"}},
        {"LeftArm", {"upperarm_l", "B_UpperArm_Left"}}, {"LeftForeArm", {"lowerarm_l", "B_ForeArm_Left"}},
        {"LeftHand", {"hand_l", "B_Hand_Left"}},    {"LeftHandIndex1", {"index_01_l", "B_Finger1_Left"}},
        {"LeftHandThumb1", {"thumb_01_l", "B_Thumb1_Left"}}, {"LeftUpLeg", {"thigh_l", "B_Hip_Left"}},
        {"LeftLeg", {"calf_l", "B_Knee_Left"}},     {"LeftFoot", {"foot_l", "B_Ankle_Left"}},
        {"LeftToeBase", {"ball_l", "B_Toe_Left"}},  {"LeftToe_End", {"ball_l_end", "B_Toe_Left_Nub"}},
    };
    const auto rename = [&](std::string name, size_t scheme) {
        const bool right = name.rfind("Right", 0) == 0;
        if (right) name = "Left" + name.substr(5);
        std::string out = schemes.at(name)[scheme];
        if (right) {
            for (const auto& [from, to] : {std::pair<std::string, std::string>{"_l", "_r"}, {"Left", "Right"}})
                if (const auto at = out.find(from); at != std::string::npos) out.replace(at, from.size(), to);
        }
        return out;
    };
    for (size_t scheme = 0; scheme < 3; ++scheme) {
        SCOPED_TRACE(scheme);
        auto skeleton = mannequinSkeleton();
        std::map<std::string, std::string> renamed;
        for (size_t j = 0; j < skeleton.size(); ++j) {
            const std::string name = scheme < 2 ? rename(skeleton[j].name, scheme) : "joint" + std::to_string(j);
            renamed[skeleton[j].name] = name;
            skeleton[j].name = skeleton[j].path = name;
        }
        std::vector<std::string> want;
        for (const char* n : MannequinSlots) want.push_back(renamed.at(n));
        const app::BoneMapping m = app::mapBones(skeleton);
        EXPECT_EQ(mapped(m, skeleton), want);
        EXPECT_EQ(m.how[9], scheme < 2 ? app::MappedBy::Name : app::MappedBy::Shape);
    }
}

TEST(BoneMapping, RealCharacter) {
    SceneFixture s;
    app::importModel(s.engine, s.doc, std::string(FLUMPET_TEST_MODELS) + "/X/BCN_Epileptic.X", [](const std::string&) {});
    const auto skeleton = app::skeletonOf(s.doc);
    const app::BoneMapping m = app::mapBones(skeleton);
    const Names want{"B_Root_Pelvis_L", "B_Spine1",         "B_Spine2",         "B_Spine3",       "B_Spine4",    "B_Root_Neck_T",
                     "B_Clavicle_Left", "B_UpperArm_Left",  "B_ForeArm_Left",   "B_Hand_Left",    "B_Hip_Left",  "B_Knee_Left",
                     "B_Ankle_Left",    "B_Toe_Left",       "B_Clavicle_Right", "B_UpperArm_Right", "B_ForeArm_Right", "B_Hand_Right",
                     "B_Hip_Right",     "B_Knee_Right",     "B_Ankle_Right",    "B_Toe_Right"};
    EXPECT_EQ(mapped(m, skeleton), expected(want)) << app::mappingTable(m, skeleton);
}

TEST(BoneMapping, UnfilledSlotsAreNamed) {
    SceneFixture s;
    s.addJointChain({"Hips", "Spine", "Neck", "Head"});
    const auto skeleton = app::skeletonOf(s.doc);
    const app::BoneMapping m = app::mapBones(skeleton);
    EXPECT_FALSE(m.complete());
    const std::string table = app::mappingTable(m, skeleton);
    EXPECT_NE(table.find("Could not fill"), std::string::npos) << table;
    EXPECT_NE(table.find("ARM_A_BONE_1"), std::string::npos) << table;
    EXPECT_NE(table.find("(not found)"), std::string::npos) << table;
}

struct MappingFile : testing::Test {
    // One file per test: the tests run in parallel processes.
    std::string file = (std::filesystem::path(testing::TempDir()) /
                        ("flumpet_mapping_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                         ".json"))
                           .string();
    void write(const std::string& text) { std::ofstream(file) << text; }
    void TearDown() override { std::filesystem::remove(file); }
};

TEST_F(MappingFile, EntriesReplaceTheAutomaticChoice) {
    const auto skeleton = mannequinSkeleton();
    app::BoneMapping m = app::mapBones(skeleton);
    write(R"({"BODY_BONE_6": "HeadTop_End", "ARM_A_BONE_4": "Mannequin/Hips/Spine/Spine1/Spine2/LeftShoulder/LeftArm/LeftForeArm/LeftHand/LeftHandIndex1"})");
    app::applyMappingFile(m, skeleton, file);
    EXPECT_EQ(skeleton[size_t(m.joints[5])].name, "HeadTop_End");
    EXPECT_EQ(skeleton[size_t(m.joints[9])].name, "LeftHandIndex1");
    EXPECT_EQ(m.how[9], app::MappedBy::File);
    EXPECT_EQ(skeleton[size_t(m.joints[4])].name, "Neck");
}

TEST_F(MappingFile, MistakesAreNamed) {
    const auto skeleton = mannequinSkeleton();
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"BODY_BONE_7": "Hips"})", "\"BODY_BONE_7\" is not a bone slot"},
        {R"({"BODY_BONE_1": "Pelvis"})", "BODY_BONE_1: no joint named \"Pelvis\""},
        {R"({"BODY_BONE_1": 3})", "BODY_BONE_1: expected a joint name or path"},
        {R"(["Hips"])", "a mapping file is one JSON object"},
        {"{", "a mapping file is one JSON object"},
    };
    for (const auto& [text, message] : cases) {
        write(text);
        app::BoneMapping m = app::mapBones(skeleton);
        try {
            app::applyMappingFile(m, skeleton, file);
            ADD_FAILURE() << text;
        } catch (const app::CommandError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace flumpet::test
