#include "cli_fixture.h"
#include "support/expected_scene.h"

#include <nlohmann/json.hpp>

namespace flumpet::test {
namespace {

using nlohmann::json;

class SplineSteps : public CliFixture {
  protected:
    /// The first top-level object of a scene file the tool wrote.
    json firstObject(const std::string& file) const {
        const json scene = json::parse(read(path(file)));
        return scene["document"]["objects"].at(0);
    }
    static const json* parameter(const json& object, int id) {
        for (const json& p : object["parameters"])
            if (p["id"] == id) return &p["value"];
        return nullptr;
    }
};

TEST_F(SplineSteps, DrawsASplineThenDragsOnePointAndUndoesBoth) {
    const CliResult drawn =
        run("run --new --spline 'Path=0,0,0;0,100,0;50,200,0|0,0,50;10,0,50:closed:linear' -o drawn.json");
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_NE(drawn.out.find("--spline Path=0,0,0;0,100,0;50,200,0|0,0,50;10,0,50:closed:linear: added Path "
                             "(5 points, 2 segments, closed, linear)"),
              std::string::npos)
        << drawn.out;
    const json spline = firstObject("drawn.json");
    EXPECT_EQ(spline["name"], "Path");
    EXPECT_EQ(spline["payload"]["segments"], json::array({3, 2}));
    EXPECT_EQ(spline["payload"]["points"].size(), 15u);
    ASSERT_NE(parameter(spline, 1000), nullptr);
    EXPECT_EQ(*parameter(spline, 1000), 0); // linear
    EXPECT_EQ(*parameter(spline, 1002), true);

    const CliResult moved = run("run drawn.json --move-point Path=1:0,120.5,0 -o moved.json");
    ASSERT_EQ(moved.status, 0) << moved.err;
    EXPECT_NE(moved.out.find("moved point 1 of Path from (0, 100, 0) to (0, 120.5, 0)"), std::string::npos)
        << moved.out;
    EXPECT_EQ(firstObject("moved.json")["payload"]["points"][4], 120.5);

    const CliResult undone = run("run drawn.json --move-point Path=1:0,120.5,0 --undo -o undone.json");
    ASSERT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(read(path("undone.json")), read(path("drawn.json")));
    const CliResult none = run("run --new --spline 'Path=0,0,0;1,1,1' --undo -o none.json");
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_TRUE(json::parse(read(path("none.json")))["document"]["objects"].empty());
}

TEST_F(SplineSteps, RefusesWhatIsNotASplineOrAPoint) {
    ASSERT_EQ(run("run --new --spline 'Path=0,0,0;0,100,0' -o path.json").status, 0);
    const std::pair<std::string, std::string> cases[] = {
        {"--spline 'P=0,0,0'", "at least two points"},
        {"--spline 'P=0,0,0;1,1'", "expected a point x,y,z"},
        {"--spline 'P=0,0,0;1,1,nan'", "three finite numbers"},
        {"--spline 'P=0,0,0;1,1,1:spiral'", "unknown option \"spiral\""},
        {"--spline 'Nowhere/P=0,0,0;1,1,1'", "Nowhere"},
        {"--move-point Path=2:0,0,0", "a point index from 0 to 1"},
        {"--move-point Path=x:0,0,0", "a point index"},
        {"--move-point Path=0", "SPLINE=INDEX:x,y,z"},
    };
    for (const auto& [args, message] : cases) {
        const CliResult r = run("run path.json " + args + " -o out.json");
        EXPECT_NE(r.status, 0) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
        EXPECT_FALSE(exists("out.json")) << args;
    }
}

// A rope driven from the command line as a user drives it: draw the path, build in rope mode,
// then with live update on drag a point, change the radius and the distribution curve.
TEST_F(SplineSteps, BuildsARopeAndFollowsTheDraggedPath) {
    const CliResult built = run("run --new --seed 3 --generator Flumpet --spline 'Flumpet/Path=0,0,0;0,300,0:linear'"
                                " --set CONNECTOR_MODE=6 --set ROPE_JOINTS_AMOUNT=2 --press CMD_GENERATE_SELECTED"
                                " -o rope.json");
    ASSERT_EQ(built.status, 0) << built.err;
    // A generator made from the menu updates live: the joint count already builds the rope, the
    // button builds it again in place of the first.
    EXPECT_NE(built.out.find("ROPE_CONTROLLER_1 = Generator_Controller_Path_Start, ROPE_CONTROLLER_2 = "
                             "Generator_Controller_Path_End; 11 objects added; 3 tags added"),
              std::string::npos)
        << built.out;

    const CliResult live = run("run rope.json --set ADDITIONAL_SETTINGS_CONTROL_BOOL=true"
                               " --move-point Path=1:0,600,0 --set ROPE_RADIUS=2"
                               " --set 'ROPE_AMOUNT_DISTRIBUTION=0:0;1:0.2' -o live.json");
    ASSERT_EQ(live.status, 0) << live.err;
    EXPECT_NE(live.out.find("ROPE_AMOUNT_DISTRIBUTION = curve (0, 0) (1, 0.2)"), std::string::npos) << live.out;
    expectMatchesFile("== built\n" + sceneFileDigest(path("rope.json")) + "== dragged, thickened, redistributed\n" +
                          sceneFileDigest(path("live.json")),
                      "rope_command_line.txt");

    const CliResult bad = run("run rope.json --set 'ROPE_AMOUNT_DISTRIBUTION=0:0;1' -o bad.json");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("expected knots x:y;x:y;..."), std::string::npos) << bad.err;
}

} // namespace
} // namespace flumpet::test
