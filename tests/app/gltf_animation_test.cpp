// The baked motion in the glTF file: played back, the bodies' nodes stand where the bake put them.
#include "gltf_export.h"
#include "host/ids.h"
#include "mannequin.h"
#include "object_paths.h"
#include "rig.h"
#include "run_steps.h"
#include "scene/dynamics/simulation.h"
#include "session.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cstring>
#include <filesystem>
#include <map>

namespace flumpet::test {
namespace {

using host::Matrix;
using host::Vector;

std::vector<float> floats(const tinygltf::Model& m, int accessor) {
    const tinygltf::Accessor& a = m.accessors[size_t(accessor)];
    const tinygltf::BufferView& v = m.bufferViews[size_t(a.bufferView)];
    const size_t count = a.count * size_t(tinygltf::GetNumComponentsInType(uint32_t(a.type)));
    std::vector<float> out(count);
    std::memcpy(out.data(), m.buffers[size_t(v.buffer)].data.data() + v.byteOffset + a.byteOffset, count * 4);
    return out;
}

Matrix fromTrs(const std::vector<double>& t, const std::vector<double>& r, const std::vector<double>& s) {
    const double x = r.empty() ? 0 : r[0], y = r.empty() ? 0 : r[1], z = r.empty() ? 0 : r[2], w = r.empty() ? 1 : r[3];
    const Vector sc = s.empty() ? Vector{1, 1, 1} : Vector{s[0], s[1], s[2]};
    Matrix m;
    m.v1 = Vector{1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)} * sc.x;
    m.v2 = Vector{2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)} * sc.y;
    m.v3 = Vector{2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)} * sc.z;
    if (!t.empty()) m.off = {t[0], t[1], t[2]};
    return m;
}

// The mannequin rigged and baked falling onto a ground plane, exported, read back with a glTF
// reader and posed at the last keyframe.
TEST(GltfAnimation, LastKeyframeReproducesTheBakedWorldMatrices) {
    app::Session session(true);
    const host::Document doc = session.newDocument();
    app::insertMannequin(session.engine(), doc, app::makeMannequin(2000));
    app::RunContext context = session.runContext(doc);
    context.generator = app::prepareRig(session, doc, "auto", true);
    app::runStep(context, app::Step{app::StepKind::Press, "CMD_CREATE", "create"});
    const host::Node hook = doc.sceneHook(host::hook::DynamicsSettings);
    ASSERT_TRUE(hook.alive());
    hook.setParameter(host::DescID(scene::bakeparam::Seconds), 1.0);
    hook.setParameter(host::DescID(scene::bakeparam::Ground), true);
    hook.setParameter(host::DescID(scene::bakeparam::GroundHeight), -100.0);
    doc.setParameter(host::DescID(host::docparam::FrameRate), 25.0);
    session.engine().setActiveDocument(doc.id());
    app::runStep(context, app::Step{app::StepKind::Press, "CMD_BAKE", "bake"});
    const scene::BakedMotion* motion = session.engine().bakedMotion(doc.id());
    ASSERT_TRUE(motion);
    ASSERT_EQ(motion->frames.size(), 26u);
    ASSERT_EQ(motion->bodies.size(), 22u);

    const std::filesystem::path file = std::filesystem::path(testing::TempDir()) / "flumpet_gltf_animation.gltf";
    const app::GltfReport report = app::exportGltf(doc, file.string(), motion);
    EXPECT_EQ(report.animatedNodes, 22);
    EXPECT_EQ(report.keyframes, 26);
    tinygltf::Model model;
    tinygltf::TinyGLTF reader;
    std::string error, warning;
    ASSERT_TRUE(reader.LoadASCIIFromFile(&model, &error, &warning, file.string())) << error;
    std::filesystem::remove(file);
    ASSERT_EQ(model.animations.size(), 1u);
    const tinygltf::Animation& animation = model.animations[0];

    // The channels move exactly the bodies' nodes, each by translation, rotation and scale.
    std::map<std::string, size_t> bodyByName;
    for (size_t b = 0; b < motion->bodies.size(); ++b)
        bodyByName[host::Object(&session.engine(), motion->bodies[b]).name()] = b;
    std::map<int, std::map<std::string, std::vector<float>>> lastKey; // node -> path -> values
    for (const tinygltf::AnimationChannel& c : animation.channels) {
        const tinygltf::AnimationSampler& s = animation.samplers[size_t(c.sampler)];
        const tinygltf::Node& node = model.nodes[size_t(c.target_node)];
        EXPECT_TRUE(bodyByName.count(node.name)) << node.name;
        EXPECT_TRUE(node.matrix.empty()) << node.name;
        const std::vector<float> times = floats(model, s.input);
        ASSERT_EQ(times.size(), 26u);
        EXPECT_FLOAT_EQ(times.back(), 1.0f); // frame 25 at 25 frames a second
        const std::vector<float> values = floats(model, s.output);
        const size_t width = values.size() / times.size();
        lastKey[c.target_node][c.target_path].assign(values.end() - std::ptrdiff_t(width), values.end());
    }
    ASSERT_EQ(lastKey.size(), 22u);
    for (const auto& [node, paths] : lastKey) EXPECT_EQ(paths.size(), 3u);

    // World of every node at the last keyframe: animated nodes from their keys, others as placed.
    std::vector<int> parent(model.nodes.size(), -1);
    for (size_t n = 0; n < model.nodes.size(); ++n)
        for (int c : model.nodes[n].children) parent[size_t(c)] = int(n);
    const auto local = [&](int n) {
        const tinygltf::Node& node = model.nodes[size_t(n)];
        const auto key = lastKey.find(n);
        if (key == lastKey.end()) return fromTrs(node.translation, node.rotation, node.scale);
        const auto doubles = [&](const char* path) {
            const std::vector<float>& f = key->second.at(path);
            return std::vector<double>(f.begin(), f.end());
        };
        return fromTrs(doubles("translation"), doubles("rotation"), doubles("scale"));
    };
    const auto world = [&](int n) {
        Matrix m;
        for (int k = n; k >= 0; k = parent[size_t(k)]) m = local(k) * m;
        return m;
    };
    double fallen = 0;
    for (const auto& [node, paths] : lastKey) {
        const size_t b = bodyByName.at(model.nodes[size_t(node)].name);
        const Matrix expected = motion->frames.back()[b], got = world(node);
        SCOPED_TRACE(model.nodes[size_t(node)].name);
        EXPECT_LT(host::length(got.off - expected.off), 0.05);
        for (const auto& [g, e] : {std::pair{got.v1, expected.v1}, {got.v2, expected.v2}, {got.v3, expected.v3}})
            EXPECT_LT(host::length(g - e), 1e-3);
        fallen = std::max(fallen, host::length(expected.off - motion->frames.front()[b].off));
    }
    EXPECT_GT(fallen, 1.0); // the bodies moved: the keys are not just the rest pose
}

} // namespace
} // namespace flumpet::test
