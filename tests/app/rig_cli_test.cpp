#include "cli_fixture.h"

#include <nlohmann/json.hpp>

namespace flumpet::test {
namespace {

using nlohmann::json;

class RigCli : public CliFixture {
  protected:
    json info(const std::string& scene) {
        const CliResult r = run("info " + scene + " --json");
        EXPECT_EQ(r.status, 0) << r.err;
        return json::parse(r.out);
    }
    static int count(const json& info, int type) {
        const std::string key = std::to_string(type);
        return info["counts"].contains(key) ? info["counts"][key]["count"].get<int>() : 0;
    }
};

TEST_F(RigCli, MannequinIsWrittenAsAScene) {
    const CliResult r = run("mannequin --triangles 2000 -o mannequin.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("29 joints"), std::string::npos) << r.out;
    const json i = info("mannequin.json");
    EXPECT_EQ(count(i, 1019362), 29);
    EXPECT_EQ(count(i, 5100), 1);
    EXPECT_EQ(count(i, 1019365), 1);
    EXPECT_EQ(run("mannequin --triangles 10 -o small.json").status, 2);
}

TEST_F(RigCli, UnfilledSlotsStopTheRigAndWriteNothing) {
    ASSERT_EQ(run("mannequin --triangles 2000 -o mannequin.json --quiet").status, 0);
    std::ofstream(path("map.json")) << R"({"BODY_BONE_1": "Nobody"})";
    CliResult r = run("rig mannequin.json --map map.json -o rig.json");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("BODY_BONE_1: no joint named \"Nobody\""), std::string::npos) << r.err;
    EXPECT_FALSE(exists("rig.json"));

    // A skeleton without arms and legs: the table says which slots stay empty.
    ASSERT_EQ(run("run --new --generator Flumpet -o empty.json --quiet").status, 0);
    r = run("rig empty.json -o rig.json");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("could not fill 22 of 22 bone slots"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Could not fill 22 of 22 slots"), std::string::npos) << r.out;
    EXPECT_FALSE(exists("rig.json"));
}

} // namespace
} // namespace flumpet::test
