#include "cli_fixture.h"
#include "scene/scene_fixture.h"

#include <nlohmann/json.hpp>

#include <map>

namespace flumpet::test {
namespace {

using nlohmann::json;

class Cli : public CliFixture {
  protected:
    json info(const std::string& scene) {
        const CliResult r = run("info " + scene + " --json");
        EXPECT_EQ(r.status, 0) << r.err;
        return json::parse(r.out);
    }
    static const json& object(const json& info, const std::string& name) {
        for (const json& o : info["objects"])
            if (o["name"] == name) return o;
        static const json none;
        ADD_FAILURE() << "no object " << name;
        return none;
    }
};

// The five assignment buttons and the body links, as an artist would set up the character.
const char* AssignAll =
    " --generator Flumpet"
    " --select B_Spine1,B_Root_Neck_H --press BODY_ASSIGN_SELECTED"
    " --select B_Hand_Left,B_Clavicle_Left --press ARM_A_ASSIGN_SELECTED"
    " --select B_Clavicle_Right,B_Hand_Right --press ARM_B_ASSIGN_SELECTED"
    " --select B_Hip_Left,B_Toe_Left --press LEG_A_ASSIGN_SELECTED"
    " --select B_Hip_Right,B_Toe_Right --press LEG_B_ASSIGN_SELECTED";

TEST_F(Cli, ImportsTheCharacterWithItsSkeletonAndMeshes) {
    const CliResult r = run("import '" + bcn() + "' -o character.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("54 joints, 3 meshes"), std::string::npos) << r.out;
    const json i = info("character.json");
    EXPECT_EQ(i["counts"]["1019362"]["count"], 54);
    EXPECT_EQ(i["counts"]["5100"]["count"], 3);
    EXPECT_EQ(i["counts"]["1019365"]["count"], 3);
    EXPECT_EQ(object(i, "B_Knee_Left")["parent"], "$dummy_root/B_Root_Pelvis_L/B_LowerPelvis/B_Hip_Left");
    EXPECT_EQ(object(i, "B_Spine1")["type"], 1019362);
    EXPECT_EQ(object(i, "Torso")["tags"][0]["type"], 1019365);
    EXPECT_EQ(object(i, "$dummy_root")["parent"], nullptr);

    // The same file imports to the same bytes.
    ASSERT_EQ(run("import '" + bcn() + "' -o again.json --quiet").status, 0);
    EXPECT_EQ(read(path("character.json")), read(path("again.json")));
}

TEST_F(Cli, AssignmentButtonsFillAllSlotsOfTheRealCharacter) {
    const std::string scene = importCharacter();
    const CliResult r = run("run " + scene + AssignAll + " -o assigned.json");
    ASSERT_EQ(r.status, 0) << r.err;
    const json p = object(info("assigned.json"), "Flumpet")["parameters"];
    const std::map<std::string, std::string> expected{
        {"BODY_BONE_1", "B_Spine1"},         {"BODY_BONE_4", "B_Spine4"},         {"BODY_BONE_6", "B_Root_Neck_H"},
        {"ARM_A_BONE_1", "B_Clavicle_Left"}, {"ARM_A_BONE_4", "B_Hand_Left"},     {"ARM_B_BONE_2", "B_UpperArm_Right"},
        {"LEG_A_BONE_1", "B_Hip_Left"},      {"LEG_A_BONE_4", "B_Toe_Left"},      {"LEG_B_BONE_3", "B_Ankle_Right"}};
    for (const auto& [symbol, joint] : expected) {
        const std::string link = p[symbol].get<std::string>();
        EXPECT_EQ(link.substr(link.rfind('/') + 1), joint) << symbol;
    }
    for (const char* symbol : {"BODY_BONE_2", "BODY_BONE_3", "BODY_BONE_5", "ARM_A_BONE_2", "ARM_A_BONE_3",
                               "ARM_B_BONE_1", "ARM_B_BONE_3", "ARM_B_BONE_4", "LEG_A_BONE_2", "LEG_A_BONE_3",
                               "LEG_B_BONE_1", "LEG_B_BONE_2", "LEG_B_BONE_4"})
        EXPECT_TRUE(p[symbol].is_string()) << symbol;
}

TEST_F(Cli, LinksByNameAndPathAndUndoOfTheGenerator) {
    const std::string scene = importCharacter();
    ASSERT_EQ(run("run " + scene + " --generator Flumpet --link BODY_BONE_1=B_Root_Pelvis_L"
                  " --link 'BODY_BONE_2=$dummy_root/B_Root_Pelvis_L/B_Root_Pelvis_T' -o linked.json")
                  .status,
              0);
    const json p = object(info("linked.json"), "Flumpet")["parameters"];
    EXPECT_EQ(p["BODY_BONE_1"], "$dummy_root/B_Root_Pelvis_L");
    EXPECT_EQ(p["BODY_BONE_2"], "$dummy_root/B_Root_Pelvis_L/B_Root_Pelvis_T");

    // Making the generator is one undoable step: undo gives the imported scene back exactly.
    ASSERT_EQ(run("run " + scene + " --generator Flumpet --undo -o undone.json").status, 0);
    EXPECT_EQ(read(path("undone.json")), read(path(scene)));
    ASSERT_EQ(run("run " + scene + " --generator Flumpet --undo --redo -o redone.json").status, 0);
    ASSERT_EQ(run("run " + scene + " --generator Flumpet -o made.json").status, 0);
    EXPECT_EQ(read(path("redone.json")), read(path("made.json")));
}

TEST_F(Cli, StatusTextsAndConsoleLinesAppearUnlessQuiet) {
    const std::string scene = importCharacter();
    const CliResult loud = run("run " + scene + " --generator Flumpet --press CMD_DELETE_CREATED --press CMD_OPEN_DOCS -o out.json");
    ASSERT_EQ(loud.status, 0) << loud.err;
    EXPECT_NE(loud.out.find("Status: Flumpet: Deleted!"), std::string::npos) << loud.out;
    EXPECT_NE(loud.out.find("Opening https://"), std::string::npos) << loud.out;
    const CliResult quiet = run("run " + scene + " --quiet --generator Flumpet --press CMD_DELETE_CREATED -o out.json");
    EXPECT_EQ(quiet.out, "");
}

struct BadRun {
    const char* what;
    std::string args;
    const char* message;
};

void PrintTo(const BadRun& b, std::ostream* os) { *os << b.what; }

class CliErrors : public CliFixture, public testing::WithParamInterface<BadRun> {};

TEST_P(CliErrors, OneClearLineAndNoOutputFile) {
    std::ofstream(path("broken.json")) << R"({"format":"flumpet-scene","version":1,"document":{"id":1)";
    std::ofstream(path("notamodel.obj")) << "this is not a model\n\x01\x02";
    const std::string scene = importCharacter();
    const CliResult r = run(GetParam().args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(exists("out.json"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliErrors,
    testing::Values(
        BadRun{"missing scene", "info missing.json", "missing.json"},
        BadRun{"truncated scene", "run broken.json -o out.json", "broken.json: not valid JSON"},
        BadRun{"not a model", "import notamodel.obj -o out.json", "notamodel.obj: cannot import"},
        BadRun{"unknown symbol", "run character.json --generator F --press NO_SUCH_BUTTON -o out.json",
               "--press NO_SUCH_BUTTON: unknown parameter symbol"},
        BadRun{"object that does not resolve", "run character.json --select B_Nose -o out.json",
               "--select B_Nose: no object named \"B_Nose\""},
        BadRun{"value of the wrong type", "run character.json --generator F --set CONNECTOR_MODE=six -o out.json",
               "expected a whole number"},
        BadRun{"step without generator", "run character.json --press CMD_CREATE -o out.json", "no generator chosen"},
        BadRun{"nothing to undo", "run character.json --undo -o out.json", "--undo"},
        BadRun{"scene and --new", "run character.json --new -o out.json", "either a scene file or --new"}));

TEST_F(CliFixture, AmbiguousNamesListTheCandidates) {
    SceneFixture scene;
    scene.addNull("Twin", scene.addNull("Left"));
    scene.addNull("Twin", scene.addNull("Right"));
    scene::saveDocumentFile(scene.engine, scene.doc.id(), path("twins.json"));
    const CliResult r = run("run twins.json --select Twin -o out.json");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"Twin\" names 2 objects: Left/Twin, Right/Twin"), std::string::npos) << r.err;
    EXPECT_EQ(run("run twins.json --select Right/Twin -o out.json").status, 0);
}

} // namespace
} // namespace flumpet::test
