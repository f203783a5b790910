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
    EXPECT_GT(c.report.weldedPoints, c.report.points); // the file repeats corners per face
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

} // namespace
} // namespace flumpet::test
