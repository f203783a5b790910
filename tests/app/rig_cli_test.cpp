#include "bone_slots.h"
#include "cli_fixture.h"
#include "gltf_validator.h"
#include "host/ids.h"
#include "module/module_fixture.h"
#include "scene/scene_file.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <set>

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

// The real character rigged with the automatic mapping: every slot filled as a person would,
// one connector per bone pair, a body tag and a collider for every slot bone, a valid glTF.
TEST_F(RigCli, RealCharacterIsRiggedWithTheAutomaticMapping) {
    const CliResult r = run("rig '" + bcn() + "' --map auto -o rig.json --gltf rig.gltf");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* row : {"BODY_BONE_1   B_Root_Pelvis_L", "BODY_BONE_6   B_Root_Neck_T", "ARM_A_BONE_1  B_Clavicle_Left",
                            "ARM_A_BONE_4  B_Hand_Left", "LEG_B_BONE_1  B_Hip_Right", "LEG_B_BONE_4  B_Toe_Right"})
        EXPECT_NE(r.out.find(row), std::string::npos) << row << "\n" << r.out;
    EXPECT_NE(r.out.find("21 connectors, 0 springs, 22 body tags"), std::string::npos) << r.out;

    ModuleFixture m;
    scene::Engine& engine = m.engine;
    const host::Document doc(&engine, scene::loadDocumentFile(engine, path("rig.json")));
    host::Object generator;
    for (host::Object o = doc.firstObject(); o.alive(); o = o.next())
        if (o.type() == PluginId) generator = o;
    ASSERT_TRUE(generator.alive());
    int connectors = 0;
    for (host::Object o = generator.firstChild().firstChild(); o.alive(); o = o.next())
        connectors += o.type() == host::type::Connector;
    EXPECT_EQ(connectors, 21);
    for (const BoneSlot& slot : boneSlots()) {
        host::Value link;
        ASSERT_TRUE(generator.getParameter(host::DescID(slot.param), link));
        const host::Object bone(&engine, std::get<host::Link>(link).id);
        ASSERT_TRUE(bone.alive()) << slot.param;
        SCOPED_TRACE(bone.name());
        EXPECT_TRUE(bone.tag(host::tagtype::DynamicsBody).alive());
        // A piece cut from the mesh, or a box under its subdivision generator.
        bool collider = false;
        for (host::Object c = bone.firstChild(); c.alive(); c = c.next())
            collider = collider || c.type() == host::type::Polygon ||
                       (c.type() == host::type::SubdivisionSurface && c.firstChild().type() == host::type::Cube);
        EXPECT_TRUE(collider);
    }
    if (gltfValidatorInstalled()) {
        EXPECT_TRUE(validGltf(path("rig.gltf")));
    }
}

// Simulated: the report in the output, the motion in the scene's cache and in the glTF as an
// animation of the bodies' nodes, a keyframe per frame.
TEST_F(RigCli, SimulateBakesAndWritesTheAnimation) {
    ASSERT_EQ(run("mannequin --triangles 2000 -o mannequin.json --quiet").status, 0);
    // The verdict decides the exit status; the files are written either way.
    CliResult r = run("rig mannequin.json --springs --simulate --seconds 1 -o rig.json --gltf rig.gltf");
    const bool stable = r.out.find("Dynamics bake stable: 30 of 30 frames simulated") != std::string::npos;
    const bool unstable = r.out.find("Dynamics bake UNSTABLE: 30 of 30 frames simulated") != std::string::npos;
    ASSERT_NE(stable, unstable) << r.out;
    EXPECT_EQ(r.status, stable ? 0 : 1) << r.err << r.out;
    if (unstable) {
        EXPECT_NE(r.err.find("written anyway: rig.json and rig.gltf"), std::string::npos) << r.err;
    }
    const json g = json::parse(read(path("rig.gltf")));
    ASSERT_EQ(g["animations"].size(), 1u);
    const json& animation = g["animations"][0];
    EXPECT_EQ(animation["channels"].size(), 66u); // 22 bodies, three channels each
    std::set<std::string> targets;
    for (const json& c : animation["channels"]) {
        const json& node = g["nodes"][c["target"]["node"].get<size_t>()];
        EXPECT_TRUE(node["extras"].contains("dynamicsBody")) << node["name"];
        EXPECT_FALSE(node.contains("matrix"));
        targets.insert(node["name"].get<std::string>());
        const json& input = g["accessors"][animation["samplers"][c["sampler"].get<size_t>()]["input"].get<size_t>()];
        EXPECT_EQ(input["count"], 31);
        EXPECT_DOUBLE_EQ(input["max"][0].get<double>(), 1.0);
    }
    EXPECT_EQ(targets.size(), 22u);
    EXPECT_TRUE(targets.count("Hips") && targets.count("LeftFoot"));

    // Without --simulate there is no animation.
    ASSERT_EQ(run("rig mannequin.json -o plain.json --gltf plain.gltf --quiet").status, 0);
    EXPECT_FALSE(json::parse(read(path("plain.gltf"))).contains("animations"));
}

// The demo writes its three files, the mannequin's fall onto the ground as the glTF's animation.
TEST_F(RigCli, DemoWritesTheFall) {
    const CliResult r = run("demo -o out");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("Dynamics bake stable: 90 of 90 frames simulated"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("beyond its limits"), std::string::npos) << r.out; // the rig holds together
    for (const char* file : {"out/mannequin.json", "out/rig.json"}) EXPECT_TRUE(exists(file)) << file;
    const json g = json::parse(read(path("out/rig.gltf")));
    ASSERT_EQ(g["animations"].size(), 1u);
    const json& animation = g["animations"][0];
    EXPECT_EQ(animation["channels"].size(), 66u);
    // The hips move, a keyframe per frame from the start to frame 90.
    int hips = 0;
    for (const json& c : animation["channels"]) {
        if (g["nodes"][c["target"]["node"].get<size_t>()]["name"] != "Hips" || c["target"]["path"] != "translation") continue;
        const json& output = g["accessors"][animation["samplers"][c["sampler"].get<size_t>()]["output"].get<size_t>()];
        EXPECT_EQ(output["count"], 91);
        ++hips;
    }
    EXPECT_EQ(hips, 1);
}

} // namespace
} // namespace flumpet::test
