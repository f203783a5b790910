#include "gltf_export.h"
#include "gltf_validator.h"
#include "host/ids.h"
#include "mannequin.h"
#include "model_import.h"
#include "object_paths.h"
#include "scene/scene_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace flumpet::test {
namespace {

using nlohmann::json;

struct GltfExport : testing::Test, SceneFixture {
    std::filesystem::path dir = std::filesystem::path(testing::TempDir()) /
                                ("flumpet_gltf_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    json exported(const std::string& name) {
        const std::string file = (dir / name).string();
        app::exportGltf(doc, file);
        std::ifstream in(file);
        return json::parse(in);
    }

    /// The file must have no errors. Skipped where the validator is not installed.
    void expectValid(const std::string& name) {
        if (!gltfValidatorInstalled()) GTEST_SKIP() << "the glTF validator is not installed (scripts/test installs it)";
        EXPECT_TRUE(validGltf((dir / name).string()));
    }

    static const json& node(const json& gltf, const std::string& name) {
        for (const json& n : gltf["nodes"])
            if (n.value("name", "") == name) return n;
        static const json none;
        ADD_FAILURE() << "no node " << name;
        return none;
    }
};

TEST_F(GltfExport, MannequinIsSkinnedAndValid) {
    app::insertMannequin(engine, doc, app::makeMannequin(2000));
    const json g = exported("mannequin.gltf");
    EXPECT_EQ(g["nodes"].size(), 31u); // the null, 29 joints and the body
    ASSERT_EQ(g["skins"].size(), 1u);
    EXPECT_EQ(g["skins"][0]["joints"].size(), 26u); // the weighted joints: all but the three ends
    const json& body = node(g, "Body");
    EXPECT_EQ(body["skin"], 0);
    const json& attributes = g["meshes"][body["mesh"].get<size_t>()]["primitives"][0]["attributes"];
    for (const char* a : {"POSITION", "NORMAL", "JOINTS_0", "WEIGHTS_0"}) EXPECT_TRUE(attributes.contains(a)) << a;
    EXPECT_EQ(node(g, "LeftArm")["translation"], json::array({13.0, 1.0, 0.0}));
    expectValid("mannequin.gltf");
}

TEST_F(GltfExport, CollidersConnectorsAndSpringsKeepTheirParts) {
    const auto chain = addJointChain({"Upper", "Lower"});
    host::Object subd = add(host::type::SubdivisionSurface, "Upper_SubD", chain[0]);
    subd.setParameter(host::DescID(host::param::UseDisplayColour), int32_t{2});
    subd.setParameter(host::DescID(host::param::DisplayColour), host::Vector{0.9, 0.2, 0.1});
    host::Object cube = add(host::type::Cube, "Upper_Cube", subd);
    cube.setParameter(host::DescID(host::primitive::CubeSize), host::Vector{0.2, 1, 0.2});
    add(host::type::Sphere, "Rope_joint_0", chain[1]).setParameter(host::DescID(host::primitive::SphereRadius), 0.3);
    host::Object cone = add(host::type::Cone, "Rope_cone_0", chain[1]);
    cone.setParameter(host::DescID(host::primitive::ConeHeight), 1.0);
    cone.setParameter(host::DescID(host::primitive::Axis), int32_t{3});
    host::Object connector = add(host::type::Connector, "Upper_Connector");
    connector.setParameter(host::DescID(host::forceparam::ObjectA), host::Link{chain[0].id()});
    connector.setParameter(host::DescID(host::connectorparam::AngleEnd), 0.5);
    add(host::type::Spring, "Upper_Spring").setParameter(host::DescID(host::forceparam::DisplaySize), int32_t{15});
    const host::Tag body(&engine, engine.allocTag(host::tagtype::DynamicsBody));
    chain[0].insertTag(body);
    body.setParameter(host::DescID(host::bodytag::FollowPosition), 50.0);

    const json g = exported("parts.gltf");
    EXPECT_EQ(g["meshes"].size(), 3u);
    const json& c = node(g, "Upper_Connector")["extras"];
    EXPECT_EQ(c["kind"], "connector");
    EXPECT_EQ(c["parameters"]["12001"], "Upper");
    EXPECT_EQ(c["parameters"]["12403"], 0.5);
    EXPECT_EQ(node(g, "Upper_Spring")["extras"]["parameters"]["12004"], 15);
    EXPECT_EQ(node(g, "Upper")["extras"]["dynamicsBody"]["11062"], 50.0);
    // Each collider has its own material; the box takes its sub-d's display colour.
    const json& boxMesh = g["meshes"][node(g, "Upper_Cube")["mesh"].get<size_t>()];
    const json& colour = g["materials"][boxMesh["primitives"][0]["material"].get<size_t>()]["pbrMetallicRoughness"]["baseColorFactor"];
    EXPECT_NEAR(colour[0].get<double>(), 0.9, 1e-9);
    EXPECT_NE(boxMesh["primitives"][0]["material"], g["meshes"][node(g, "Rope_cone_0")["mesh"].get<size_t>()]["primitives"][0]["material"]);
    // The box spans its size.
    const json& position = g["accessors"][boxMesh["primitives"][0]["attributes"]["POSITION"].get<size_t>()];
    EXPECT_NEAR(position["max"][1].get<double>(), 0.5, 1e-6);
    EXPECT_NEAR(position["min"][0].get<double>(), -0.1, 1e-6);
    expectValid("parts.gltf");
}

TEST_F(GltfExport, RealCharacterIsValid) {
    app::importModel(engine, doc, std::string(FLUMPET_TEST_MODELS) + "/X/BCN_Epileptic.X", [](const std::string&) {});
    const json g = exported("character.gltf");
    EXPECT_EQ(g["skins"].size(), 3u);
    expectValid("character.gltf");
}

TEST_F(GltfExport, UnwritablePathIsAnError) {
    app::insertMannequin(engine, doc, app::makeMannequin(1000));
    EXPECT_THROW(app::exportGltf(doc, (dir / "missing" / "x.gltf").string()), app::CommandError);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

} // namespace
} // namespace flumpet::test
