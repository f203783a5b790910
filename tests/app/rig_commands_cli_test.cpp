#include "cli_fixture.h"

#include <nlohmann/json.hpp>

namespace flumpet::test {
namespace {

using nlohmann::json;

const char* AssignAllSlots = " --generator Flumpet"
                             " --select B_Spine1,B_Root_Neck_H --press BODY_ASSIGN_SELECTED"
                             " --select B_Clavicle_Left,B_Hand_Left --press ARM_A_ASSIGN_SELECTED"
                             " --select B_Clavicle_Right,B_Hand_Right --press ARM_B_ASSIGN_SELECTED"
                             " --select B_Hip_Left,B_Toe_Left --press LEG_A_ASSIGN_SELECTED"
                             " --select B_Hip_Right,B_Toe_Right --press LEG_B_ASSIGN_SELECTED";

class RigCommandsCli : public CliFixture {
  protected:
    int count(const std::string& scene, int32_t type) {
        const CliResult r = run("info " + scene + " --json");
        EXPECT_EQ(r.status, 0) << r.err;
        const json counts = json::parse(r.out)["counts"];
        const std::string key = std::to_string(type);
        return counts.contains(key) ? counts[key]["count"].get<int>() : 0;
    }
};

TEST_F(RigCommandsCli, SpringsAndConnectSelectedOnTheRealCharacter) {
    const std::string scene = importCharacter();
    const CliResult springs =
        run("run " + scene + AssignAllSlots + " --press CMD_CREATE_SPRINGS --press CMD_BAKE -o springs.json");
    ASSERT_EQ(springs.status, 0) << springs.err;
    EXPECT_NE(springs.out.find("Status: Springs Created!"), std::string::npos) << springs.out;
    // The rig built, its simulation is baked into the dynamics cache.
    EXPECT_NE(springs.out.find("Status: Baked!"), std::string::npos) << springs.out;
    EXPECT_NE(springs.out.find("CMD_BAKE: dynamics cache baked"), std::string::npos) << springs.out;
    EXPECT_EQ(count("springs.json", 180000010), 21);

    const CliResult connected =
        run("run " + scene +
            " --generator Flumpet --set CONNECTOR_MODE=1"
            " --select B_Finger1_Left,B_Thumb1_Left,B_Hand_Left --press CMD_CONNECT_SELECTED"
            " -o connected.json");
    ASSERT_EQ(connected.status, 0) << connected.err;
    EXPECT_EQ(count("connected.json", 180000011), 2);
    EXPECT_EQ(count("connected.json", 180000102), 3);
}

TEST_F(RigCommandsCli, CreateBuildsTheWholeRigOfTheRealCharacter) {
    const std::string scene = importCharacter();
    const CliResult r = run("run " + scene + AssignAllSlots + " --press CMD_CREATE -o rig.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Status: Flumpet Created!"), std::string::npos) << r.out;
    EXPECT_EQ(count("rig.json", 180000011), 21);
    EXPECT_EQ(count("rig.json", 180000102), 22);
    EXPECT_EQ(count("rig.json", 5629), 21);
}

TEST_F(RigCommandsCli, AnUnassignedSlotIsReportedOnce) {
    const std::string scene = importCharacter();
    const CliResult r = run("run " + scene + " --generator Flumpet --press CMD_CREATE_SPRINGS -o out.json");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string line = "Flumpet: Not all bones are assigned!";
    const size_t at = r.out.find(line);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(line, at + 1), std::string::npos) << r.out;
    EXPECT_EQ(count("out.json", 180000010), 0);
}

} // namespace
} // namespace flumpet::test
