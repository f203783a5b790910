// Geometry services on generated meshes of 10K, 100K and 1M triangles: the plane cut pattern of
// the modeling kernel, the modeling commands, and building and querying the spatial index.
//
//   build/bench/flumpet_bench --benchmark_filter=PlaneCut
#include "host/geometry_handles.h"
#include "plane_cut.h"
#include "scene/engine.h"
#include "sphere_mesh.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>

namespace flumpet::bench {
namespace {

using host::PolygonObject;
using host::Vector;

/// A closed, lumpy sphere of about `triangles` triangles (quads split in two), in an engine of
/// its own, made once per size.
struct Character {
    scene::Engine engine;
    host::Document doc{&engine, engine.newDocument()};
    PolygonObject quads;     // the sphere as quads (triangles at the poles)
    PolygonObject triangles; // the same, triangulated

    explicit Character(int64_t triangleCount) {
        const SphereMesh sphere = lumpySphere(triangleCount);
        quads = PolygonObject(host::Object(&engine, engine.allocObject(host::type::Polygon)));
        doc.insertLast(quads);
        quads.setMesh(sphere.points, sphere.polygons);
        triangles = PolygonObject(quads.clone());
        doc.insertLast(triangles);
        triangles.modelingCommand(host::mcommand::Triangulate, host::mcommandmode::All);
    }
};

Character& character(int64_t triangles) {
    static std::map<int64_t, std::unique_ptr<Character>> made;
    auto& slot = made[triangles];
    if (!slot) slot = std::make_unique<Character>(triangles);
    return *slot;
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
}

void BM_PlaneCut(benchmark::State& state) {
    Character& c = character(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        PolygonObject copy(c.triangles.clone());
        state.ResumeTiming();
        planeCut(copy, {0.1, 0.2, 0.05}, {0.3, 1.0, 0.2});
        benchmark::DoNotOptimize(copy.polygonCount());
        state.PauseTiming();
        copy.free();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(c.triangles.polygonCount()));
}
BENCHMARK(BM_PlaneCut)->Apply(sizes);

void BM_ConvertSelection(benchmark::State& state) {
    Character& c = character(state.range(0));
    host::Selection half;
    for (int32_t i = 0; i < c.triangles.pointCount() / 2; ++i)
        half.select(i);
    c.triangles.setPointSelection(half);
    host::Container settings;
    settings.setInt(host::mcommandparam::ConvertFrom, host::selectionkind::Points);
    settings.setInt(host::mcommandparam::ConvertTo, host::selectionkind::Polygons);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            c.triangles.modelingCommand(host::mcommand::ConvertSelection, host::mcommandmode::All, settings));
}
BENCHMARK(BM_ConvertSelection)->Apply(sizes);

void BM_SelectConnected(benchmark::State& state) {
    Character& c = character(state.range(0));
    host::Selection one;
    one.select(0);
    for (auto _ : state) {
        c.triangles.setPolygonSelection(one);
        c.triangles.modelingCommand(host::mcommand::SelectConnected, host::mcommandmode::PolygonSelection);
    }
}
BENCHMARK(BM_SelectConnected)->Apply(sizes);

void BM_SplitHalf(benchmark::State& state) {
    Character& c = character(state.range(0));
    host::Selection half;
    for (int32_t i = 0; i < c.triangles.polygonCount() / 2; ++i)
        half.select(i);
    c.triangles.setPolygonSelection(half);
    for (auto _ : state) {
        const auto result =
            c.triangles.modelingCommand(host::mcommand::Split, host::mcommandmode::PolygonSelection);
        state.PauseTiming();
        for (host::NodeId id : result.objects)
            c.engine.freeNode(id);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SplitHalf)->Apply(sizes);

void BM_Triangulate(benchmark::State& state) {
    Character& c = character(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        PolygonObject copy(c.quads.clone());
        state.ResumeTiming();
        copy.modelingCommand(host::mcommand::Triangulate, host::mcommandmode::All);
        state.PauseTiming();
        copy.free();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Triangulate)->Apply(sizes);

void BM_IndexBuild(benchmark::State& state) {
    Character& c = character(state.range(0));
    const std::vector<Vector> points(c.triangles.points().begin(), c.triangles.points().end());
    auto collider = c.engine.geometry().newRayCollider();
    for (auto _ : state) {
        state.PauseTiming();
        c.triangles.setPoints(points); // a new mesh state
        state.ResumeTiming();
        collider->init(c.triangles.id(), true);
    }
}
BENCHMARK(BM_IndexBuild)->Apply(sizes);

void BM_Rays(benchmark::State& state) {
    Character& c = character(state.range(0));
    auto collider = c.engine.geometry().newRayCollider();
    collider->init(c.triangles.id(), true);
    std::mt19937 rng(1);
    std::normal_distribution<double> n;
    std::vector<Vector> directions(1000);
    for (Vector& d : directions)
        d = {n(rng), n(rng), n(rng)};
    for (auto _ : state) {
        for (const Vector& d : directions) {
            host::RayHit hit;
            if (collider->intersect({0.05, 0.02, 0.01}, d * 10.0, 555.0, false))
                collider->nearestIntersection(hit);
            benchmark::DoNotOptimize(hit);
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(directions.size()));
}
BENCHMARK(BM_Rays)->Apply(sizes);

void BM_ClosestPolygon(benchmark::State& state) {
    Character& c = character(state.range(0));
    auto query = c.engine.geometry().newDistanceQuery();
    query->init(c.triangles.id());
    // Points around the surface, as bones lie in a limb; a point near the centre of the sphere,
    // with the whole surface at almost the same distance, is the worst case of any hierarchy.
    std::mt19937 rng(2);
    std::normal_distribution<double> n;
    std::uniform_real_distribution<double> radius(0.6, 1.4);
    std::vector<Vector> points(1000);
    for (Vector& p : points)
        p = host::normalise({n(rng), n(rng), n(rng)}) * radius(rng);
    for (auto _ : state) {
        for (const Vector& p : points) {
            host::MeshPrimitiveInfo info;
            info.type = host::meshprimitive::Polygon;
            double distance = 0;
            query->closestMeshPrimitive(p, info, distance);
            benchmark::DoNotOptimize(distance);
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(points.size()));
}
BENCHMARK(BM_ClosestPolygon)->Apply(sizes);

} // namespace
} // namespace flumpet::bench
