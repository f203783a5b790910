#include "gltf_files.h"
#include "host/geometry_handles.h"
#include "model_import.h"
#include "object_paths.h"
#include "scene/scene_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

namespace flumpet::test {
namespace {

struct ImportedCharacter : SceneFixture {
    app::ImportReport report;
    std::vector<std::string> notes;
    ImportedCharacter() {
        report = app::importModel(engine, doc, std::string(FLUMPET_TEST_MODELS) + "/X/BCN_Epileptic.X",
                                  [this](const std::string& n) { notes.push_back(n); });
    }
    std::vector<host::PolygonObject> meshes() const {
        std::vector<host::PolygonObject> out;
        for (const host::Object& o : app::allObjects(doc))
            if (o.type() == host::type::Polygon) out.emplace_back(o);
        return out;
    }
};

TEST(ModelImport, WeightsOfEverySkinnedPointSumToOne) {
    ImportedCharacter c;
    ASSERT_EQ(c.meshes().size(), 3u);
    for (const host::PolygonObject& mesh : c.meshes()) {
        const host::WeightTag tag(mesh.tag(host::tagtype::Weight));
        ASSERT_TRUE(tag.alive()) << mesh.name();
        std::vector<double> sums(static_cast<size_t>(mesh.pointCount()), 0.0);
        for (int32_t j = 0; j < tag.jointCount(); ++j) {
            ASSERT_TRUE(tag.joint(j).alive());
            for (int32_t p = 0; p < mesh.pointCount(); ++p) sums[static_cast<size_t>(p)] += tag.weight(j, p);
        }
        int weighted = 0;
        for (double s : sums)
            if (s > 0) {
                ++weighted;
                EXPECT_NEAR(s, 1.0, 0.02) << mesh.name();
            }
        EXPECT_GT(weighted, mesh.pointCount() * 9 / 10) << mesh.name();
    }
}

// Each joint stands where its skin expects it: the points it weights most lie around it, not
// somewhere a transposed or inverted bind matrix would put it.
TEST(ModelImport, JointsStandInTheirBindPose) {
    ImportedCharacter c;
    host::Vector low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
    for (const host::PolygonObject& mesh : c.meshes())
        for (const host::Vector& p : mesh.points()) {
            const host::Vector g = mesh.globalMatrix() * p;
            low = {std::min(low.x, g.x), std::min(low.y, g.y), std::min(low.z, g.z)};
            high = {std::max(high.x, g.x), std::max(high.y, g.y), std::max(high.z, g.z)};
        }
    const host::Vector extent = high - low;
    const double height = std::max({extent.x, extent.y, extent.z});
    ASSERT_GT(height, 0);
    int checked = 0;
    for (const host::PolygonObject& mesh : c.meshes()) {
        const host::WeightTag tag(mesh.tag(host::tagtype::Weight));
        for (int32_t j = 0; j < tag.jointCount(); ++j) {
            host::Vector sum;
            int n = 0;
            for (int32_t p = 0; p < mesh.pointCount(); ++p)
                if (tag.weight(j, p) > 0.9) {
                    sum += mesh.globalMatrix() * mesh.points()[static_cast<size_t>(p)];
                    ++n;
                }
            if (n < 10) continue;
            const host::Vector centre = sum / n;
            EXPECT_LT(host::length(centre - tag.joint(j).globalPosition()), 0.25 * height) << tag.joint(j).name();
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
}

TEST(ModelImport, WeldsSeamsAndKeepsEveryFace) {
    ImportedCharacter c;
    EXPECT_EQ(c.report.joints, 54);
    EXPECT_EQ(c.report.polygons, 1966 + 2036 + 1124); // all triangles survive
    EXPECT_GT(c.report.vertices, c.report.points); // the file repeats corners per face
    EXPECT_TRUE(c.notes.empty());
}

TEST(ModelImport, ClashingNamesGetASuffixAndAreReported) {
    SceneFixture f;
    // A tiny DirectX file whose two frames share a name.
    const std::string file = testing::TempDir() + "/twins.x";
    std::ofstream(file) << "xof 0303txt 0032\n"
                           "Frame Twin {\n"
                           " FrameTransformMatrix { 1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;; }\n"
                           " Frame Twin {\n"
                           "  FrameTransformMatrix { 1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,2.0,0.0,1.0;; }\n"
                           " }\n"
                           "}\n";
    std::vector<std::string> notes;
    app::importModel(f.engine, f.doc, file, [&](const std::string& n) { notes.push_back(n); });
    std::vector<std::string> names;
    for (const host::Object& o : app::allObjects(f.doc)) names.push_back(o.name());
    EXPECT_NE(std::find(names.begin(), names.end(), "Twin.1"), names.end());
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes.front().find("Twin.1"), std::string::npos);
    // The inner frame stands two units up.
    const host::Object inner = app::findObject(f.doc, "Twin.1");
    EXPECT_EQ(inner.globalPosition(), (host::Vector{0, 2, 0}));
}

struct ImportedFile : SceneFixture {
    app::ImportReport report;
    std::vector<std::string> notes;
    explicit ImportedFile(const std::string& file) {
        report = app::importModel(engine, doc, file, [this](const std::string& n) { notes.push_back(n); });
    }
    host::PolygonObject mesh() const {
        for (const host::Object& o : app::allObjects(doc))
            if (o.type() == host::type::Polygon) return host::PolygonObject(o);
        return {};
    }
    /// The weight each joint (by path) gives each point.
    std::map<std::string, std::vector<double>> weights() const {
        std::map<std::string, std::vector<double>> out;
        const host::PolygonObject m = mesh();
        const host::WeightTag tag(m.tag(host::tagtype::Weight));
        for (int32_t j = 0; j < tag.jointCount(); ++j)
            for (int32_t p = 0; p < m.pointCount(); ++p) out[app::objectPath(tag.joint(j))].push_back(tag.weight(j, p));
        return out;
    }
};

// The seam corners of two triangles weld into one point each; a welded point takes the
// weights of the first vertex there, so every point's weights still sum to 1.
TEST(ModelImport, WeldedPointsKeepTheFirstVertexsWeightsSummingToOne) {
    const std::string file = testing::TempDir() + "/sheet.gltf";
    writeSkinnedSheet(file, "Upper", "Lower");
    ImportedFile f(file);
    ASSERT_EQ(f.mesh().pointCount(), 4);
    EXPECT_EQ(f.report.vertices, 6);
    EXPECT_EQ(f.report.points, 4);
    const auto w = f.weights();
    ASSERT_EQ(w.size(), 2u);
    const std::vector<double>& upper = w.at("ROOT/Upper");
    const std::vector<double>& lower = w.at("ROOT/Upper/Lower");
    for (size_t p = 0; p < 4; ++p) EXPECT_DOUBLE_EQ(upper[p] + lower[p], 1.0) << "point " << p;
    EXPECT_EQ(upper, (std::vector<double>{1, 1, 1, 0}));
}

// Two joints of one name: each keeps its own weights, and the import says so.
TEST(ModelImport, TwinBoneNamesKeepEachJointsWeights) {
    const std::string file = testing::TempDir() + "/twins.gltf";
    writeSkinnedSheet(file, "Twin", "Twin");
    ImportedFile f(file);
    const auto w = f.weights();
    ASSERT_EQ(w.size(), 2u) << "one joint's weights were lost";
    EXPECT_EQ(w.at("ROOT/Twin"), (std::vector<double>{1, 1, 1, 0}));
    EXPECT_EQ(w.at("ROOT/Twin/Twin.1"), (std::vector<double>{0, 0, 0, 1}));
    ASSERT_FALSE(f.notes.empty());
    bool told = false;
    for (const std::string& n : f.notes) told = told || n.find("\"Twin\" is carried by 2 nodes") != std::string::npos;
    EXPECT_TRUE(told);
}

// A cylinder of quads capped with triangles is one mesh in the file and stays one object.
TEST(ModelImport, AMeshOfTrianglesAndQuadsStaysOneObject) {
    ImportedFile f(std::string(FLUMPET_TEST_MODELS) + "/FBX/huesitos.fbx");
    std::map<std::string, int> points;
    int objects = 0;
    for (const host::Object& o : app::allObjects(f.doc))
        if (o.type() == host::type::Polygon) {
            ++objects;
            points[o.name()] = host::PolygonObject(o).pointCount();
        }
    EXPECT_EQ(objects, 1);
    EXPECT_EQ(f.report.meshes, 1);
    EXPECT_EQ(points, (std::map<std::string, int>{{"Cylinder", 62}}));
}

} // namespace
} // namespace flumpet::test
