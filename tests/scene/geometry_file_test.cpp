#include "mesh_shapes.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

namespace flumpet::test {
namespace {

using host::Vector;
using nlohmann::json;

// A document with a mesh (selections, deform cache and a weight tag) and a closed spline of
// two segments.
struct GeometryScene : SceneFixture {
    GeometryScene() {
        host::PolygonObject mesh =
            addMesh("Body", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0.125}}, {{0, 1, 3, 2}, {0, 1, 2, 2}});
        host::Selection points, polygons;
        points.select(1);
        points.select(3);
        polygons.select(1);
        mesh.setPointSelection(points);
        mesh.setPolygonSelection(polygons);
        const std::vector<Vector> bent = {{0, 0, 0}, {1, 0, 0.5}, {0, 1, 0}, {1, 1, 1}};
        engine.geometry().setDeformedPoints(mesh.id(), bent);
        host::Object joint = add(host::type::Joint, "Hip");
        host::WeightTag tag(addTag(mesh, host::tagtype::Weight));
        tag.setWeight(tag.addJoint(joint), 2, 0.3);
        addSpline("Rope", {{0, 0, 0}, {1, 2, 3}, {4, 5, 6}, {0.1, 0.2, 0.3}, {7, 8, 9}},
                  host::splinetype::Linear, true, {2, 3});
    }
};

TEST(GeometryFile, SavesAndLoadsMeshesSplinesAndWeights) {
    GeometryScene f;
    const std::string text = f.save();
    scene::Engine other;
    const host::NodeId loaded = scene::loadDocument(other, text);
    EXPECT_EQ(scene::saveDocument(other, loaded), text);

    host::Document doc(&other, loaded);
    host::PolygonObject mesh(doc.firstObject());
    ASSERT_EQ(mesh.pointCount(), 4);
    EXPECT_EQ(mesh.points()[3], (Vector{1, 1, 0.125}));
    EXPECT_EQ(mesh.polygons()[0], (host::Polygon{0, 1, 3, 2}));
    EXPECT_EQ(mesh.pointSelection().indices(), (std::vector<int32_t>{1, 3}));
    host::PolygonObject cache(mesh.deformCache());
    ASSERT_TRUE(cache.alive());
    EXPECT_EQ(cache.points()[3], (Vector{1, 1, 1}));
    host::SplineObject spline(mesh.next().next());
    EXPECT_EQ(spline.segmentCount(), 2);
    EXPECT_TRUE(spline.isClosed());
    host::WeightTag tag(mesh.tag(host::tagtype::Weight));
    EXPECT_EQ(tag.joint(0), mesh.next());
    EXPECT_DOUBLE_EQ(tag.weight(0, 2), 0.3);
}

// A mesh large enough that its arrays are stored encoded, with selections, a deform cache and
// weights of many points.
struct LargeGeometryScene : SceneFixture {
    LargeGeometryScene() {
        const MeshArrays sphere = bumpySphere(40, 30, 7);
        host::PolygonObject mesh = addMesh("Body", sphere.points, sphere.polygons);
        host::Selection every3rd;
        for (int32_t i = 0; i < mesh.pointCount(); i += 3) every3rd.select(i);
        mesh.setPointSelection(every3rd);
        std::vector<Vector> bent(sphere.points);
        for (auto& p : bent) p.z *= 1.5;
        engine.geometry().setDeformedPoints(mesh.id(), bent);
        host::WeightTag tag(addTag(mesh, host::tagtype::Weight));
        const int32_t j = tag.addJoint(add(host::type::Joint, "Hip"));
        std::vector<host::WeightEntry> weights;
        for (int32_t i = 0; i < mesh.pointCount(); ++i) weights.push_back({i, 1.0 / (1 + i)});
        tag.setWeights(j, weights);
    }
};

TEST(GeometryFile, LargeArraysAreStoredEncodedAndReadBackExactly) {
    LargeGeometryScene f;
    const std::string text = f.save();
    const json j = json::parse(text);
    const json& payload = j["document"]["objects"][0]["payload"];
    EXPECT_EQ(j["version"], 2);
    EXPECT_TRUE(payload["points"].is_object());
    EXPECT_EQ(payload["points"]["type"], "float64");
    EXPECT_TRUE(payload["polygons"].is_object());

    scene::Engine other;
    const host::NodeId loaded = scene::loadDocument(other, text);
    EXPECT_EQ(scene::saveDocument(other, loaded), text);
    const host::PolygonObject original(f.doc.firstObject()), copy(host::Document(&other, loaded).firstObject());
    EXPECT_TRUE(std::equal(original.points().begin(), original.points().end(), copy.points().begin(),
                           copy.points().end()));
    EXPECT_TRUE(std::equal(original.polygons().begin(), original.polygons().end(), copy.polygons().begin(),
                           copy.polygons().end()));
    EXPECT_EQ(original.pointSelection().indices(), copy.pointSelection().indices());
    const host::WeightTag a(original.tag(host::tagtype::Weight)), b(copy.tag(host::tagtype::Weight));
    EXPECT_TRUE(std::ranges::equal(a.weights(0), b.weights(0)));

    // The same file reformatted (no longer in the printer's layout) reads the same.
    scene::Engine third;
    EXPECT_EQ(scene::saveDocument(third, scene::loadDocument(third, j.dump())), text);
}

TEST(GeometryFile, VersionOneFilesStillLoad) {
    GeometryScene f;
    json old = json::parse(f.save());
    old["version"] = 1;
    scene::Engine other;
    const host::NodeId loaded = scene::loadDocument(other, old.dump(1));
    EXPECT_EQ(scene::saveDocument(other, loaded), f.save());
}

TEST(GeometryFile, NamesThePlaceOfABrokenEncodedArray) {
    LargeGeometryScene f;
    const json good = json::parse(f.save());
    const std::pair<std::function<void(json&)>, const char*> cases[] = {
        {[](json& p) { p["points"]["zstd"] = "not*base64"; }, "not base64"},
        {[](json& p) { p["points"]["count"] = p["points"]["count"].get<size_t>() + 3; }, "values, expected"},
        {[](json& p) { p["points"]["zstd"] = "AAAAAAAA"; }, "not compressed data"},
        {[](json& p) { p["polygons"]["type"] = "float64"; }, "expected \"int32\""},
        {[](json& p) { p["points"].erase("zstd"); }, "missing \"zstd\""},
        {[](json& p) { p["points"]["zstd"] = std::string(1, '\0') + "99"; }, "base64"},
    };
    for (const auto& [spoil, reason] : cases) {
        SCOPED_TRACE(reason);
        json spoilt = good;
        spoil(spoilt["document"]["objects"][0]["payload"]);
        for (const int indent : {-1, 1}) { // reformatted, and in the printer's layout
            scene::Engine other;
            try {
                scene::loadDocument(other, spoilt.dump(indent));
                ADD_FAILURE() << "loaded";
            } catch (const scene::SceneFileError& e) {
                const std::string message = e.what();
                EXPECT_NE(message.find("/document/objects/0/payload/"), std::string::npos) << message;
                EXPECT_NE(message.find(reason), std::string::npos) << message;
            }
            EXPECT_TRUE(other.documents().empty());
        }
    }
}

struct BadCase {
    const char* name;
    std::function<void(json& objects)> spoil;
    const char* place;
    const char* reason;
};

TEST(GeometryFile, NamesThePlaceOfBadGeometry) {
    const BadCase cases[] = {
        {"index out of range", [](json& o) { o[0]["payload"]["polygons"][5] = 4; },
         "/document/objects/0/payload/polygons/5", "point index 4 out of range (the mesh has 4 points)"},
        {"negative index", [](json& o) { o[0]["payload"]["polygons"][0] = -1; }, "/payload/polygons/0",
         "out of range"},
        {"not a number", [](json& o) { o[0]["payload"]["points"][4] = "NaN"; }, "/payload/points/4",
         "expected a finite number"},
        {"polygons not in fours", [](json& o) { o[0]["payload"]["polygons"].erase(7); }, "/payload/polygons",
         "four point indices per polygon"},
        {"points not in threes", [](json& o) { o[0]["payload"]["points"].push_back(1.0); }, "/payload/points",
         "three numbers per point"},
        {"deform cache of another size",
         [](json& o) {
             o[0]["payload"]["deformedPoints"] = json::array({0, 0, 0});
         },
         "/payload/deformedPoints", "the deform cache has 1 points, the mesh 4"},
        {"selection past the end", [](json& o) { o[0]["payload"]["polygonSelection"] = json::array({2}); },
         "/payload/polygonSelection/0", "polygon 2 out of range"},
        {"segments that do not add up",
         [](json& o) {
             o[2]["payload"]["segments"] = json::array({2, 2});
         },
         "/document/objects/2/payload/segments", "the segments hold 4 points, the spline has 5"},
        {"empty segment",
         [](json& o) {
             o[2]["payload"]["segments"] = json::array({0, 5});
         },
         "/segments/0", "out of range"},
        {"weights without points",
         [](json& o) { o[0]["tags"][0]["payload"]["joints"][0]["weights"].push_back(0.5); },
         "/document/objects/0/tags/0/payload/joints/0", "1 points but 2 weights"},
        {"negative weight", [](json& o) { o[0]["tags"][0]["payload"]["joints"][0]["weights"][0] = -0.5; },
         "/joints/0/weights/0", "negative"},
        {"missing polygons", [](json& o) { o[0]["payload"].erase("polygons"); },
         "/document/objects/0/payload", "missing \"polygons\""},
    };
    GeometryScene f;
    const json good = json::parse(f.save());
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        json spoilt = good;
        c.spoil(spoilt["document"]["objects"]);
        scene::Engine other;
        try {
            scene::loadDocument(other, spoilt.dump());
            ADD_FAILURE() << "loaded";
        } catch (const scene::SceneFileError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.place), std::string::npos) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        }
        EXPECT_TRUE(other.documents().empty());
    }
}

} // namespace
} // namespace flumpet::test
