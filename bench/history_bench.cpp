// What undo records cost on a character-sized mesh: a change record, one-point edits, the rig
// builders' clone-and-cut pattern, a delete record. Bytes are what the heap really holds (the
// global operator new is counted), reported as counters beside the times.
//
//   build/bench/flumpet_bench --benchmark_filter=History
#include "heap_meter.h"
#include "host/geometry_handles.h"
#include "plane_cut.h"
#include "scene/engine.h"
#include "sphere_scene.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace flumpet::bench {
namespace {

using host::PolygonObject;
using host::Vector;
namespace undo = host::undo;
constexpr double MiB = 1024.0 * 1024.0;

struct Scene : SphereScene {
    using SphereScene::SphereScene;
    double meshMiB() const { return meshBytes() / MiB; }
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One change record of the whole mesh, before anything writes to it.
void BM_HistoryChangeRecord(benchmark::State& state) {
    Scene s(state.range(0));
    double bytes = 0;
    int64_t groups = 0;
    for (auto _ : state) {
        const size_t before = heldBytes();
        s.doc.startUndo();
        s.doc.addUndo(undo::Change, s.mesh);
        s.doc.endUndo();
        bytes += double(heldBytes() - before);
        ++groups;
    }
    state.counters["record_KiB"] = bytes / double(groups) / 1024.0;
    state.counters["mesh_MiB"] = s.meshMiB();
}
BENCHMARK(BM_HistoryChangeRecord)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

// Fifty edits that each move one point, each recorded: the history holds the replaced arrays.
void BM_HistoryOnePointEdits(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Scene s(state.range(0));
        const size_t before = heldBytes();
        const double pointsMiB = double(s.mesh.points().size() * sizeof(Vector)) / MiB;
        state.ResumeTiming();
        for (int edit = 0; edit < 50; ++edit) {
            std::vector<Vector> points(s.mesh.points().begin(), s.mesh.points().end());
            points[size_t(edit)].z += 0.01;
            s.doc.startUndo();
            s.doc.addUndo(undo::Change, s.mesh);
            s.mesh.setPoints(points);
            s.doc.endUndo();
        }
        state.PauseTiming();
        state.counters["history_MiB"] = double(heldBytes() - before) / MiB;
        state.counters["replaced_MiB"] = 50 * pointsMiB;
        state.counters["history_counted_MiB"] = double(s.engine.historyBytes(s.doc.id())) / MiB;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryOnePointEdits)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The rig builders' pattern: twenty clones of the character mesh, each cut down to about an
// eighth, in one group. Order 0 inserts, records the new object, records a change and cuts;
// order 1 inserts, records the new object, cuts, then records a change and renames the piece.
// Runs the same steps without records too, so the counter is what the records alone hold.
struct PatternCost {
    double heldMiB = 0;
    double seconds = 0;
};

PatternCost clonePattern(int64_t triangles, int order, bool record) {
    Scene s(triangles);
    const size_t before = heldBytes();
    const auto start = std::chrono::steady_clock::now();
    if (record) s.doc.startUndo();
    for (int i = 0; i < 20; ++i) {
        PolygonObject clone(s.mesh.clone());
        const Vector origin{0, 0, 0.75}, normal{0.05 * i, 0, 1};
        if (order == 0) {
            s.doc.insertLast(clone);
            if (record) s.doc.addUndo(undo::NewObject, clone);
            if (record) s.doc.addUndo(undo::Change, clone);
            planeCut(clone, origin, normal);
        } else {
            s.doc.insertLast(clone);
            if (record) s.doc.addUndo(undo::NewObject, clone);
            planeCut(clone, origin, normal);
            if (record) s.doc.addUndo(undo::Change, clone);
            clone.setName("Piece " + std::to_string(i));
        }
    }
    if (record) s.doc.endUndo();
    return {double(heldBytes() - before) / MiB, seconds(start)};
}

void BM_HistoryClonePattern(benchmark::State& state) {
    const int order = int(state.range(1));
    PatternCost with, without;
    for (auto _ : state) {
        with = clonePattern(state.range(0), order, true);
        state.PauseTiming();
        without = clonePattern(state.range(0), order, false);
        state.ResumeTiming();
    }
    state.counters["records_MiB"] = with.heldMiB - without.heldMiB;
    state.counters["unrecorded_ms"] = without.seconds * 1000;
}
BENCHMARK(BM_HistoryClonePattern)
    ->Args({1'000'000, 0})
    ->Args({1'000'000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A delete record of the mesh, then the mesh removed and freed as the delete commands do.
void BM_HistoryDeleteRecord(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Scene s(state.range(0));
        const size_t before = heldBytes();
        state.ResumeTiming();
        s.doc.startUndo();
        s.doc.addUndo(undo::DeleteObject, s.mesh);
        s.mesh.remove();
        s.mesh.free();
        s.doc.endUndo();
        state.PauseTiming();
        // The freed mesh's arrays live on in the record: the record adds nothing beyond them.
        state.counters["held_change_MiB"] = (double(heldBytes()) - double(before)) / MiB;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryDeleteRecord)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Fifty one-point edits under a budget of a quarter of what they would hold: the oldest go.
void BM_HistoryBudget(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Scene s(state.range(0));
        const size_t pointsBytes = s.mesh.points().size() * sizeof(Vector);
        s.engine.setHistoryBudget(50 * pointsBytes / 4);
        const size_t before = heldBytes();
        state.ResumeTiming();
        for (int edit = 0; edit < 50; ++edit) {
            std::vector<Vector> points(s.mesh.points().begin(), s.mesh.points().end());
            points[size_t(edit)].z += 0.01;
            s.doc.startUndo();
            s.doc.addUndo(undo::Change, s.mesh);
            s.mesh.setPoints(points);
            s.doc.endUndo();
        }
        state.PauseTiming();
        state.counters["budget_MiB"] = double(50 * pointsBytes / 4) / MiB;
        state.counters["history_MiB"] = double(heldBytes() - before) / MiB;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HistoryBudget)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace flumpet::bench
