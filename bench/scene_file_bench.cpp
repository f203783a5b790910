// Scene files of a character-sized mesh: saving, loading (from text and from a file), and the
// older plain form. Counters give bytes per triangle and the peak heap of a load over the
// mesh's own bytes.
//
//   build/bench/flumpet_bench --benchmark_filter=SceneFile
#include "heap_meter.h"
#include "scene/scene_file.h"
#include "sphere_scene.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace flumpet::bench {
namespace {

struct Saved {
    std::unique_ptr<SphereScene> scene;
    std::string text;
};

Saved& saved(int64_t triangles) {
    static std::map<int64_t, Saved> made;
    Saved& s = made[triangles];
    if (!s.scene) {
        s.scene = std::make_unique<SphereScene>(triangles);
        s.text = scene::saveDocument(s.scene->engine, s.scene->doc.id());
    }
    return s;
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}

void BM_SceneFileSave(benchmark::State& state) {
    Saved& s = saved(state.range(0));
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = scene::saveDocument(s.scene->engine, s.scene->doc.id());
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes_per_triangle"] = double(bytes) / double(s.scene->mesh.polygonCount());
}
BENCHMARK(BM_SceneFileSave)->Apply(sizes);

// Loads into one engine; each document is closed again, outside the timing.
void loadBenchmark(benchmark::State& state, const std::string& text, double meshBytes) {
    scene::Engine engine;
    double peak = 0;
    for (auto _ : state) {
        const size_t before = heldBytes();
        resetPeak();
        const host::NodeId doc = scene::loadDocument(engine, text);
        peak = double(peakBytes() - before);
        state.PauseTiming();
        engine.closeDocument(doc);
        state.ResumeTiming();
    }
    state.counters["peak_over_mesh"] = peak / meshBytes;
}

void BM_SceneFileLoad(benchmark::State& state) {
    Saved& s = saved(state.range(0));
    loadBenchmark(state, s.text, s.scene->meshBytes());
}
BENCHMARK(BM_SceneFileLoad)->Apply(sizes);

// From a file on disk, its text included in the peak.
void BM_SceneFileLoadFromDisk(benchmark::State& state) {
    Saved& s = saved(state.range(0));
    const std::string path = "/tmp/flumpet_bench_scene.json";
    scene::saveDocumentFile(s.scene->engine, s.scene->doc.id(), path);
    scene::Engine engine;
    double peak = 0;
    for (auto _ : state) {
        const size_t before = heldBytes();
        resetPeak();
        const host::NodeId doc = scene::loadDocumentFile(engine, path);
        peak = double(peakBytes() - before);
        state.PauseTiming();
        engine.closeDocument(doc);
        state.ResumeTiming();
    }
    std::remove(path.c_str());
    state.counters["peak_over_mesh"] = peak / s.scene->meshBytes();
}
BENCHMARK(BM_SceneFileLoadFromDisk)->Apply(sizes);

// A version 1 file (every number plain) of the same scene, as older files are.
void BM_SceneFileLoadVersion1(benchmark::State& state) {
    Saved& s = saved(state.range(0));
    nlohmann::json j = nlohmann::json::parse(s.text);
    j["version"] = 1;
    nlohmann::json& payload = j["document"]["objects"][0]["payload"];
    nlohmann::json points = nlohmann::json::array(), polygons = nlohmann::json::array();
    for (const host::Vector& p : s.scene->mesh.points())
        for (double c : {p.x, p.y, p.z}) points.push_back(c);
    for (const host::Polygon& p : s.scene->mesh.polygons())
        for (int32_t i : {p.a, p.b, p.c, p.d}) polygons.push_back(i);
    payload["points"] = std::move(points);
    payload["polygons"] = std::move(polygons);
    const std::string text = j.dump(1) + "\n";
    loadBenchmark(state, text, s.scene->meshBytes());
    state.counters["bytes_per_triangle"] = double(text.size()) / double(s.scene->mesh.polygonCount());
}
BENCHMARK(BM_SceneFileLoadVersion1)->Apply(sizes);

} // namespace
} // namespace flumpet::bench
