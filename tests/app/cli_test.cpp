#include "cli_fixture.h"
#include "help.h"
#include "gltf_files.h"
#include "scene/scene_fixture.h"
#include "support/expected_scene.h"

#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <map>
#include <set>

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
    EXPECT_NE(loud.out.find("Opening " + flumpet::documentationBase() + "/"), std::string::npos) << loud.out;
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
        BadRun{"step without generator", "run character.json --press CMD_CREATE -o out.json", "the scene holds no generator"},
        BadRun{"nothing to undo", "run character.json --undo -o out.json", "--undo"},
        BadRun{"scene and --new", "run character.json --new -o out.json", "either a scene file or --new"},
        BadRun{"strength above its range", "run character.json --generator F --set SETTINGS_CONTROL_FOLLOW_POSITION=5 -o out.json",
               "--set SETTINGS_CONTROL_FOLLOW_POSITION=5: must lie in 0 to 1"},
        BadRun{"mode not among the choices", "run character.json --generator F --set CONNECTOR_MODE=99 -o out.json",
               "must be one of 0 to 6"},
        BadRun{"negative joint amount", "run character.json --generator F --set ROPE_JOINTS_AMOUNT=-3 -o out.json",
               "must be at least 0"},
        BadRun{"input as output", "import character.json -o character.json", "would replace the input"},
        BadRun{"file name with a line break", "info \"$(printf 'a\\nb.json')\"", "a\\nb.json: cannot open"}));

TEST_F(CliFixture, AmbiguousNamesListTheCandidates) {
    SceneFixture scene;
    scene.addNull("Twin", scene.addNull("Left"));
    scene.addNull("Twin", scene.addNull("Right"));
    scene::saveDocumentFile(scene.engine, scene.doc.id(), path("twins.json"));
    const CliResult r = run("run twins.json --select Twin -o out.json");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"Twin\" names 2 objects: Left/Twin (#"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("), Right/Twin (#"), std::string::npos) << r.err;
    EXPECT_EQ(run("run twins.json --select Right/Twin -o out.json").status, 0);
}

// The description's parameters, defaults and ranges (slider spans included) as users see them.
TEST_F(CliFixture, ParameterListMatchesTheReviewedOne) {
    const CliResult r = run("info --parameters");
    ASSERT_EQ(r.status, 0) << r.err;
    expectMatchesFile(r.out, "info_parameters.txt");
}

class CliOutput : public CliFixture {
  protected:
    void SetUp() override {
        CliFixture::SetUp();
        SceneFixture scene;
        scene.addNull("Root");
        scene::saveDocumentFile(scene.engine, scene.doc.id(), path("in.json"));
    }
    static mode_t mode(const std::string& file) {
        struct stat s {};
        ::stat(file.c_str(), &s);
        return s.st_mode & 07777;
    }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path("")))
            if (e.path().filename().string().rfind(".", 0) == 0 || e.path().extension() == ".part")
                out.push_back(e.path().filename().string());
        return out;
    }
};

TEST_F(CliOutput, TheInputIsNeverTheOutput) {
    const std::string before = read(path("in.json"));
    std::filesystem::create_symlink("in.json", path("alias.json"));
    for (const char* output : {"in.json", "./in.json", "alias.json"}) {
        const CliResult r = run(std::string("run in.json --generator F -o ") + output);
        EXPECT_EQ(r.status, 1) << output;
        EXPECT_NE(r.err.find("would replace the input"), std::string::npos) << r.err;
    }
    EXPECT_EQ(read(path("in.json")), before);
}

TEST_F(CliOutput, ALinkIsFollowedAndItsTargetReplaced) {
    std::ofstream(path("target.json")) << "old";
    std::filesystem::create_symlink("target.json", path("link.json"));
    ASSERT_EQ(run("run in.json --generator F -o link.json").status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.json")));
    EXPECT_NE(read(path("target.json")).find("flumpet-scene"), std::string::npos);
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(CliOutput, AnExistingFileKeepsItsModeAndAReadOnlyOneIsRefused) {
    std::ofstream(path("shared.json")) << "old";
    ::chmod(path("shared.json").c_str(), 0640);
    ASSERT_EQ(run("run in.json --generator F -o shared.json").status, 0);
    EXPECT_EQ(mode(path("shared.json")), 0640u);

    std::ofstream(path("locked.json")) << "keep";
    ::chmod(path("locked.json").c_str(), 0444);
    if (::access(path("locked.json").c_str(), W_OK) == 0) GTEST_SKIP() << "running as a user who may write anything";
    const CliResult r = run("run in.json --generator F -o locked.json");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write locked.json: Permission denied"), std::string::npos) << r.err;
    EXPECT_EQ(read(path("locked.json")), "keep");
    EXPECT_EQ(mode(path("locked.json")), 0444u);
}

TEST_F(CliOutput, ADeviceIsWrittenIntoNotReplaced) {
    ASSERT_EQ(run("run in.json --generator F -o /dev/null").status, 0);
    struct stat s {};
    ASSERT_EQ(::stat("/dev/null", &s), 0);
    EXPECT_TRUE(S_ISCHR(s.st_mode));
}

TEST_F(CliOutput, DashWritesTheSceneToStandardOutput) {
    const CliResult r = run("run in.json --generator F --press CMD_DELETE_CREATED -o -");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["format"], "flumpet-scene");
    EXPECT_NE(r.err.find("Deleted!"), std::string::npos); // what the steps say goes to standard error
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(CliOutput, NoTemporaryFileIsLeftBehind) {
    ASSERT_EQ(run("run in.json --generator F -o out.json").status, 0);
    EXPECT_TRUE(exists("out.json"));
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(run("run in.json --generator F -o missing_folder/out.json").status, 1);
    EXPECT_TRUE(leftovers().empty());
}

// Hostile and broken models: one line and exit 1, never a crash, never a file the tool cannot
// read back.
struct HostileModel {
    const char* what;
    std::string file; ///< under the test models, or made by the test (no slash)
    int status;
    const char* message; ///< in standard error when the status is 1
};

void PrintTo(const HostileModel& h, std::ostream* os) { *os << h.what; }

class CliHostileModels : public CliFixture, public testing::WithParamInterface<HostileModel> {};

TEST_P(CliHostileModels, EndCleanly) {
    writeNestedNodes(path("deep.gltf"), 50000);
    writeNestedNodes(path("too_deep.gltf"), 402);
    writeNestedNodes(path("deep_enough.gltf"), 400);
    std::ofstream(path("claims.off")) << "OFF\n500000000 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const std::string file = GetParam().file.find('/') == std::string::npos
                                 ? GetParam().file
                                 : std::string(FLUMPET_TEST_MODELS) + "/" + GetParam().file;
    const CliResult r = run("import '" + file + "' -o out.json --quiet");
    ASSERT_EQ(r.status, GetParam().status) << r.err;
    if (r.status == 0) {
        EXPECT_EQ(run("info out.json --json").status, 0); // what was written reads back
        return;
    }
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(exists("out.json"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliHostileModels,
    testing::Values(HostileModel{"raw with colours", "RAW/WithColor.raw", 0, ""},
                    HostileModel{"raw with a texture", "RAW/WithTexture.raw", 0, ""},
                    HostileModel{"nested 50000 deep", "deep.gltf", 1, "more than 400 levels deep"},
                    HostileModel{"nested just too deep", "too_deep.gltf", 1, "more than 400 levels deep"},
                    HostileModel{"nested as deep as a scene holds", "deep_enough.gltf", 0, ""},
                    HostileModel{"claims half a billion vertices", "claims.off", 1,
                                 "claims 500000000 vertices and 1 faces but holds"},
                    HostileModel{"claims more than it holds", "invalid/OutOfMemory.off", 1, "claims"}));

TEST_F(CliFixture, MemoryLimitTakesOnlySensibleValues) {
    for (const char* bad : {"nan", "1e400", "-1", "0", "lots"}) {
        const CliResult r = run(std::string("import '") + bcn() + "' -o out.json --memory-limit " + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_LT(r.err.size(), 200u) << r.err;
        EXPECT_NE(r.err.find("expected a number of GiB"), std::string::npos) << r.err;
    }
}

// A cap the tool starts under but the import of a 160,000-point grid does not fit in.
TEST_F(CliFixture, RunningOutOfMemoryIsOneLine) {
    {
        std::ofstream obj(path("grid.obj"));
        const int n = 400;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) obj << "v " << i << " " << j << " 0\n";
        for (int i = 0; i + 1 < n; ++i)
            for (int j = 0; j + 1 < n; ++j) {
                const int a = i * n + j + 1;
                obj << "f " << a << " " << a + 1 << " " << a + n + 1 << " " << a + n << "\n";
            }
    }
    const CliResult r = run("import grid.obj -o out.json --memory-limit 0.1");
    if (r.status == 0) GTEST_SKIP() << "this build does not cap its memory (address checking)";
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("memory"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

// A scene with one generator needs no --generator; with several the error lists them.
TEST_F(CliFixture, StepsUseTheScenesOnlyGenerator) {
    SceneFixture scene;
    scene.addNull("Root");
    scene::saveDocumentFile(scene.engine, scene.doc.id(), path("empty.json"));
    ASSERT_EQ(run("run empty.json --generator Rig -o one.json").status, 0);
    const CliResult r = run("run one.json --set CONNECTOR_MODE=2 -o set.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("--set CONNECTOR_MODE=2: CONNECTOR_MODE = 2"), std::string::npos) << r.out;
    ASSERT_EQ(run("run one.json --generator Other -o two.json").status, 0);
    const CliResult two = run("run two.json --press CMD_DELETE_CREATED -o out.json");
    EXPECT_EQ(two.status, 1);
    EXPECT_NE(two.err.find("several generators"), std::string::npos) << two.err;
    EXPECT_NE(two.err.find("Rig (#"), std::string::npos) << two.err;
    EXPECT_NE(two.err.find("Other (#"), std::string::npos) << two.err;
    const CliResult none = run("run empty.json --press CMD_DELETE_CREATED -o out.json");
    EXPECT_NE(none.err.find("holds no generator"), std::string::npos) << none.err;
}

// Every step says what it changed, or why nothing changed.
TEST_F(CliFixture, EveryStepSaysWhatItChanged) {
    const std::string scene = importCharacter();
    const CliResult r = run("run " + scene + " --generator Flumpet --select B_Clavicle_Left --select B_Hand_Left"
                            " --press ARM_A_ASSIGN_SELECTED --select B_Hand_Left --press ARM_B_ASSIGN_SELECTED -o out.json");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> said;
    for (std::string line; std::getline(lines, line);) said.push_back(line);
    ASSERT_EQ(said.size(), 6u) << r.out;
    EXPECT_EQ(said[0], "--generator Flumpet: created Flumpet");
    EXPECT_NE(said[2].find("selected $dummy_root/"), std::string::npos) << said[2];
    EXPECT_NE(said[2].find("B_Clavicle_Left, $dummy_root/"), std::string::npos) << said[2]; // both, in order
    EXPECT_NE(said[3].find("ARM_A_BONE_1 = $dummy_root/"), std::string::npos) << said[3];
    EXPECT_NE(said[3].find("ARM_A_BONE_4 = "), std::string::npos) << said[3];
    EXPECT_EQ(said[5], "--press ARM_B_ASSIGN_SELECTED: filled no slot (select two joints, the second below the first)");
    EXPECT_EQ(run("run " + scene + " --quiet --generator F --press ARM_B_ASSIGN_SELECTED -o out.json").out, "");
}

// Names with slashes, commas, line breaks and twins all have one form that finds them.
TEST_F(CliFixture, EveryObjectHasAnUnambiguousName) {
    SceneFixture scene;
    host::Object odd = scene.addNull("a/b");
    scene.addNull("c", odd);
    host::Object a = scene.addNull("a");
    scene.addNull("b/c", a);
    scene.addNull("Left, Right");
    scene.addNull("two\nlines");
    const host::Object first = scene.addNull("Twin");
    scene.addNull("Twin");
    scene::saveDocumentFile(scene.engine, scene.doc.id(), path("names.json"));

    const CliResult info = run("info names.json --json");
    ASSERT_EQ(info.status, 0) << info.err;
    std::set<std::string> paths;
    const nlohmann::json listed = nlohmann::json::parse(info.out);
    for (const auto& o : listed["objects"]) paths.insert(o["path"].get<std::string>());
    EXPECT_TRUE(paths.count("a\\/b/c"));
    EXPECT_TRUE(paths.count("a/b\\/c"));
    EXPECT_TRUE(paths.count("two\\nlines"));

    const CliResult text = run("info names.json");
    EXPECT_EQ(text.out.find("two\nlines"), std::string::npos); // the tree keeps one line per object
    const CliResult r = run("run names.json --select 'a\\/b/c' --select 'a/b\\/c,Left\\, Right'"
                            " --select 'two\\nlines' --select '#" + std::to_string(first.id()) + "' -o out.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("selected a\\/b/c, a/b\\/c, Left, Right, two\\nlines, Twin"), std::string::npos) << r.out;
    const CliResult twins = run("run names.json --select Twin -o out.json");
    EXPECT_NE(twins.err.find("Twin (#" + std::to_string(first.id()) + "), Twin (#"), std::string::npos) << twins.err;
}

// info lists every description parameter, those without a value with their default; a float
// that is not a number shows as "NaN", not as null like a dead link.
TEST_F(CliFixture, InfoShowsEveryParameterAndNaN) {
    SceneFixture scene;
    scene.addNull("Root");
    scene::saveDocumentFile(scene.engine, scene.doc.id(), path("empty.json"));
    ASSERT_EQ(run("run empty.json --generator Rig -o rig.json").status, 0);
    // A NaN strength and no rope radius, as a hand-edited file may have them.
    nlohmann::json file = nlohmann::json::parse(read(path("rig.json")));
    for (auto& o : file["document"]["objects"])
        if (o["name"] == "Rig") {
            nlohmann::json kept = nlohmann::json::array();
            for (auto& p : o["parameters"]) {
                if (p["id"] == 1044) p["value"] = "NaN";
                if (p["id"] != 1132) kept.push_back(p);
            }
            o["parameters"] = kept;
        }
    std::ofstream(path("edited.json")) << file.dump(1) << "\n";
    const CliResult r = run("info edited.json --json");
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json rig;
    const nlohmann::json listed = nlohmann::json::parse(r.out);
    for (const auto& o : listed["objects"])
        if (o["name"] == "Rig") rig = o;
    EXPECT_EQ(rig["parameters"]["SETTINGS_CONTROL_FOLLOW_POSITION"], "NaN");
    EXPECT_EQ(rig["parameters"]["ROPE_RADIUS"], 1.0);
    EXPECT_EQ(rig["parameters"]["BODY_BONE_1"], nullptr);
    EXPECT_EQ(rig["parameters"]["CUBES_COLLIDERS"], false);
    const auto& defaulted = rig["defaulted"];
    EXPECT_NE(std::find(defaulted.begin(), defaulted.end(), "ROPE_RADIUS"), defaulted.end());
    EXPECT_NE(std::find(defaulted.begin(), defaulted.end(), "LEG_B_BONE_4"), defaulted.end());
    EXPECT_EQ(std::find(defaulted.begin(), defaulted.end(), "SETTINGS_CONTROL_FOLLOW_POSITION"), defaulted.end());
    EXPECT_NE(run("info edited.json").out.find("ROPE_RADIUS = 1.0  (default)"), std::string::npos);
}

// The whole assignment on a small skeleton, compared with the reviewed scene; undo gives the
// starting scene back byte for byte.
TEST_F(CliFixture, AssignmentOnASmallSkeletonMatchesTheReviewedScene) {
    SceneFixture scene;
    const auto spine = scene.addJointChain({"Pelvis", "Spine1", "Spine2", "Chest", "Neck", "Head"});
    scene.addJointChain({"Shoulder_L", "UpperArm_L", "Forearm_L", "Hand_L"}, spine[3]);
    scene.addJointChain({"Hip_L", "Knee_L", "Ankle_L", "Toe_L"}, spine[0]);
    scene::saveDocumentFile(scene.engine, scene.doc.id(), path("skeleton.json"));
    const std::string steps = " --generator Flumpet --select Pelvis,Head --press BODY_ASSIGN_SELECTED"
                              " --select Hand_L,Shoulder_L --press ARM_A_ASSIGN_SELECTED"
                              " --select Hip_L,Ankle_L --press LEG_A_ASSIGN_SELECTED"
                              " --set SETTINGS_CONTROL_FOLLOW_POSITION=0.25 --set CONNECTOR_MODE=6";
    const CliResult r = run("run skeleton.json" + steps + " -o assigned.json");
    ASSERT_EQ(r.status, 0) << r.err;
    expectMatchesFile(sceneFileDigest(path("assigned.json")), "assign_small_skeleton.txt");
    ASSERT_EQ(run("run skeleton.json" + steps + " --undo --select '' -o undone.json --quiet").status, 0);
    EXPECT_EQ(read(path("undone.json")), read(path("skeleton.json")));
}

} // namespace
} // namespace flumpet::test
