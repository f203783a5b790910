// The whole rig on the mannequin at production sizes: the create command, the colliders of one
// bone (cut from the mesh and fitted), and picking one bone's polygons out of the mesh; and a
// rope of 400 pieces, built and updated. Each build is undone outside the timing, so every round
// starts from the same scene.
//
//   build/release/flumpet_bench --benchmark_filter='Rig|Rope'

#include "app/mannequin.h"
#include "app/object_paths.h"
#include "app/rig.h"
#include "app/run_steps.h"
#include "app/session.h"
#include "colliders/prepare_mesh.h"
#include "host/geometry_handles.h"
#include "host/ids.h"
#include "host/messages.h"
#include "main.h"
#include "parameters.h"
#include "random.h"
#include "scene/dynamics/simulation.h"
#include "scene/engine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace flumpet::bench {
namespace {

/// The module loads into one engine per process, so every size shares one session. It lives
/// until the process ends: unloading the module after the module's own statics are gone would
/// touch freed memory.
app::Session& sharedSession() {
    static auto* session = new app::Session(true);
    return *session;
}

/// A document of the shared session holding the mannequin with its slots linked.
struct RiggedMannequin {
    app::Session& session = sharedSession();
    host::Document doc;
    host::Object generator;

    explicit RiggedMannequin(int64_t triangles) {
        doc = session.newDocument();
        app::insertMannequin(session.engine(), doc, app::makeMannequin(triangles));
        generator = app::prepareRig(session, doc, "auto", true);
        // The selection commands take weight tags from the generator onward: put it first.
        generator.remove();
        doc.insertFirst(generator);
    }

    host::Object named(const std::string& name) const {
        for (const host::Object& o : app::allObjects(doc))
            if (o.name() == name) return o;
        throw std::runtime_error("the mannequin has no " + name);
    }

    void press(const char* button) {
        session.engine().setActiveDocument(doc.id());
        app::RunContext context = session.runContext(doc);
        context.generator = generator;
        app::runStep(context, app::Step{app::StepKind::Press, button, "--press"});
    }

    void undo() {
        if (!session.engine().undo(doc.id())) throw std::runtime_error("undo failed");
    }
};

RiggedMannequin& mannequin(int64_t triangles) {
    static auto* made = new std::map<int64_t, std::unique_ptr<RiggedMannequin>>;
    auto& m = (*made)[triangles];
    if (!m) m = std::make_unique<RiggedMannequin>(triangles);
    return *m;
}

/// Runs a benchmark body, turning a failure into the benchmark's error rather than an abort.
template <typename Body>
void guarded(benchmark::State& state, Body&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void BM_RigCreateCommand(benchmark::State& state) {
    guarded(state, [&] {
        RiggedMannequin& m = mannequin(state.range(0));
        seedRandom(1);
        for (auto _ : state) {
            m.press("CMD_CREATE");
            state.PauseTiming();
            m.undo();
            state.ResumeTiming();
        }
    });
}
BENCHMARK(BM_RigCreateCommand)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// One selected bone given its collider: the piece cut from the mesh, its box fitted. The
// forearm is cut by two planes; the hand, an end bone, also trims each finger chain.
void collidersOfOneBone(benchmark::State& state, const char* bone) {
    guarded(state, [&] {
        RiggedMannequin& m = mannequin(state.range(0));
        const host::Object joint = m.named(bone);
        seedRandom(1);
        for (auto _ : state) {
            state.PauseTiming();
            m.session.engine().setSelected(joint.id(), true);
            state.ResumeTiming();
            m.press("CMD_GENERATE_COLLIDERS");
            state.PauseTiming();
            m.undo();
            m.session.engine().setSelected(joint.id(), false);
            state.ResumeTiming();
        }
    });
}
void BM_RigCollidersOfOneBone(benchmark::State& state) { collidersOfOneBone(state, "LeftForeArm"); }
BENCHMARK(BM_RigCollidersOfOneBone)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
void BM_RigCollidersOfAnEndBone(benchmark::State& state) { collidersOfOneBone(state, "LeftHand"); }
BENCHMARK(BM_RigCollidersOfAnEndBone)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The polygons one bone's joint weights, split off the whole mesh into a new object.
void BM_RigPrepareMesh(benchmark::State& state) {
    guarded(state, [&] {
        RiggedMannequin& m = mannequin(state.range(0));
        const host::Object body = m.named("Body");
        const host::WeightTag weights(body.tag(host::tagtype::Weight));
        const std::vector<host::Object> joints{m.named("LeftForeArm")};
        for (auto _ : state) {
            auto [ok, piece] = prepareMesh(body, weights, joints, true);
            if (!ok) throw std::runtime_error("prepareMesh failed");
            state.PauseTiming();
            m.session.engine().freeNode(piece.id());
            state.ResumeTiming();
        }
    });
}
BENCHMARK(BM_RigPrepareMesh)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The mannequin's rig (22 bodies, 21 connectors) baked for 300 frames onto a ground plane, with
// the substeps and iterations the create command sets.
void BM_RigBake(benchmark::State& state) {
    guarded(state, [&] {
        RiggedMannequin& m = mannequin(state.range(0));
        seedRandom(1);
        m.press("CMD_CREATE");
        const host::Node hook = m.doc.sceneHook(host::hook::DynamicsSettings);
        hook.setParameter(host::DescID(scene::bakeparam::Seconds), 10.0);
        hook.setParameter(host::DescID(scene::bakeparam::Ground), true);
        for (auto _ : state) m.press("CMD_BAKE");
        const scene::BakedMotion* motion = m.session.engine().bakedMotion(m.doc.id());
        if (!motion || motion->frames.size() != 301) throw std::runtime_error("the bake did not run 300 frames");
        state.counters["bodies"] = static_cast<double>(motion->bodies.size());
        // Every bake is an undo step of its own, and the rig goes with the create's: a repetition
        // starts from the bare mannequin again instead of piling a second rig onto the first.
        for (benchmark::IterationCount i = 0; i < state.iterations(); ++i) m.undo();
        m.undo();
    });
}
BENCHMARK(BM_RigBake)->Arg(10'000)->Unit(benchmark::kMillisecond);

/// A generator in rope mode over a spline of three turns of a helix (one segment, 33 points).
struct RopeScene {
    app::Session& session = sharedSession();
    host::Document doc;
    host::Object generator;

    explicit RopeScene(int32_t pieces) {
        doc = session.newDocument();
        scene::Engine& engine = session.engine();
        engine.setActiveDocument(doc.id());
        // Made without undo records, so that undoing every step afterwards leaves them.
        generator = host::Object(&engine, engine.allocObject(PluginId));
        generator.setName("Flumpet");
        doc.insertLast(generator);
        const host::Object spline(&engine, engine.allocObject(host::type::Spline));
        spline.setName("Path");
        doc.insertLast(spline, generator);
        std::vector<host::Vector> points;
        for (int32_t i = 0; i <= 32; ++i)
            points.push_back({100 * std::cos(i * 0.6), 20.0 * i, 100 * std::sin(i * 0.6)});
        if (!engine.geometry().setSpline(spline.id(), points, {})) throw std::runtime_error("no spline");
        generator.setParameter(host::DescID(CONNECTOR_MODE), RopeMode);
        generator.setParameter(host::DescID(ROPE_JOINTS_AMOUNT), pieces);
        generator.setParameter(host::DescID(ADDITIONAL_SETTINGS_CONTROL_BOOL), true);
    }
    /// The messages the host sends for a button press and for a changed parameter.
    void press(int32_t button) const {
        host::DescriptionCommand command{host::DescID(button)};
        generator.message(host::msg::DescriptionCommand, &command);
    }
    void set(int32_t param, const host::Value& value) const {
        generator.setParameter(host::DescID(param), value);
        const host::DescID id(param);
        host::DescriptionPostSetValue record{&id};
        generator.message(host::msg::DescriptionPostSetParameter, &record);
    }
    void undoAll() const {
        while (session.engine().canUndo(doc.id()))
            if (!session.engine().undo(doc.id())) throw std::runtime_error("undo failed");
    }
};

// The generate-selected button in rope mode with nothing selected: the rope alone.
void BM_RopeBuild(benchmark::State& state) {
    guarded(state, [&] {
        RopeScene rope(static_cast<int32_t>(state.range(0)));
        seedRandom(1);
        for (auto _ : state) {
            rope.press(CMD_GENERATE_SELECTED);
            state.PauseTiming();
            rope.undoAll();
            state.ResumeTiming();
        }
    });
}
BENCHMARK(BM_RopeBuild)->Arg(400)->Unit(benchmark::kMillisecond);

// A change of the distribution curve with live update on: every piece moves along the spline.
void BM_RopeUpdate(benchmark::State& state) {
    guarded(state, [&] {
        RopeScene rope(static_cast<int32_t>(state.range(0)));
        rope.press(CMD_GENERATE_SELECTED);
        host::SplineCurve curves[2];
        for (double end : {0.0, 0.2}) {
            curves[end > 0].insertKnot(0.0, 0.0);
            curves[end > 0].insertKnot(1.0, end);
        }
        int64_t round = 0;
        for (auto _ : state) rope.set(ROPE_AMOUNT_DISTRIBUTION, curves[round++ % 2]);
    });
}
BENCHMARK(BM_RopeUpdate)->Arg(400)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace flumpet::bench
