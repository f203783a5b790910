// Compares our plane cut and spatial queries with VTK, CGAL and raw Embree on the same closed
// meshes, in one process on one core, the libraries taking turns round by round. Prints
// Markdown tables, then the ratios the targets are checked on. bench/compare builds and runs it.
//
//   flumpet_compare [--sizes=10000,100000,1000000] [--rounds=N] [--only=NAME]
#include "allocation_meter.h"
#include "cutters.h"
#include "queries.h"

#include <sched.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace flumpet::compare {

bool useOneVtkThread();

namespace {

// Processor time of the whole process: the machine may be shared, and one core's worth of work
// is what is compared (kernel time for page faults included).
double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

double secondsOf(const auto& work) {
    const double start = processSeconds();
    work();
    return processSeconds() - start;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

std::string sizeName(int64_t triangles) {
    if (triangles % 1'000'000 == 0) return std::to_string(triangles / 1'000'000) + "M";
    if (triangles % 1'000 == 0) return std::to_string(triangles / 1'000) + "K";
    return std::to_string(triangles);
}

std::string milliseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, seconds < 0.01 ? "%.3f ms" : "%.1f ms", seconds * 1e3);
    return text;
}

std::string microseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f µs", seconds * 1e6);
    return text;
}

std::string times(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f×", ratio);
    return text;
}

std::string megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

bool agrees(double value, double expected, double relative) {
    return std::abs(value - expected) <= relative * std::max(std::abs(expected), 1e-300);
}

int roundsFor(int64_t triangles, int scale) {
    const int base = triangles <= 10'000 ? 21 : (triangles <= 100'000 ? 9 : 5);
    return std::max(1, base * scale);
}

struct CutFigures {
    double seconds = 0.0;
    double ownBytes = 0.0;
    double peakExtraBytes = 0.0;
    double keptArea = 0.0;
};

// Every cutter cuts the same mesh by the same plane, round by round in turn.
std::vector<CutFigures> compareCuts(std::vector<std::unique_ptr<Cutter>>& cutters, const TriangleMesh& mesh,
                                    const Plane& plane, int rounds) {
    std::vector<CutFigures> figures(cutters.size());
    std::vector<std::vector<double>> seconds(cutters.size());
    for (size_t c = 0; c < cutters.size(); ++c) {
        const size_t before = heldBytes();
        cutters[c]->load(mesh);
        figures[c].ownBytes = double(heldBytes()) - double(before);
    }
    for (int r = 0; r < rounds; ++r) {
        for (size_t c = 0; c < cutters.size(); ++c) {
            cutters[c]->prepare();
            const size_t held = heldBytes();
            resetPeak();
            seconds[c].push_back(secondsOf([&] { cutters[c]->cut(plane); }));
            figures[c].peakExtraBytes =
                std::max(figures[c].peakExtraBytes, double(peakBytes()) - double(held));
            figures[c].keptArea = cutters[c]->keptAreaAndClear();
        }
    }
    for (size_t c = 0; c < cutters.size(); ++c)
        figures[c].seconds = median(seconds[c]);
    return figures;
}

struct QueryFigures {
    double buildSeconds = 0.0;
    double raySeconds = 0.0;
    /// Rays along directions no batch used before, so that no library finds its hits cached.
    double newRaySeconds = 0.0;
    double closestSeconds = 0.0;
    QueryTotals rays;
    QueryTotals newRays;
    QueryTotals closest;
};

std::vector<Vector> randomDirections(unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> n;
    std::vector<Vector> directions(1000);
    for (Vector& d : directions)
        d = host::normalise({n(rng), n(rng), n(rng)});
    return directions;
}

std::vector<QueryFigures> compareQueries(std::vector<std::unique_ptr<QueryLibrary>>& libraries,
                                         const TriangleMesh& mesh, int rounds) {
    // Rays from inside, as a bone casts them onto its limb, and points around the surface.
    std::mt19937 rng(1);
    std::normal_distribution<double> n;
    std::uniform_real_distribution<double> radius(0.6, 1.4);
    std::vector<Vector> directions(1000), points(1000);
    for (Vector& d : directions)
        d = host::normalise({n(rng), n(rng), n(rng)});
    for (Vector& p : points)
        p = host::normalise({n(rng), n(rng), n(rng)}) * radius(rng);
    const Vector origin{0.05, 0.02, 0.01};
    const double length = 555.0;

    std::vector<QueryFigures> figures(libraries.size());
    std::vector<std::vector<double>> build(libraries.size()), ray(libraries.size()), newRay(libraries.size()),
        closest(libraries.size());
    for (auto& library : libraries)
        library->load(mesh);
    for (int r = 0; r < rounds; ++r) {
        for (size_t l = 0; l < libraries.size(); ++l) {
            libraries[l]->prepareBuild();
            build[l].push_back(secondsOf([&] { libraries[l]->build(); }));
            // Several batches per round, so that the short ones are timed well.
            for (int batch = 0; batch < 5; ++batch) {
                ray[l].push_back(
                    secondsOf([&] { figures[l].rays = libraries[l]->rays(origin, directions, length); }) /
                    double(directions.size()));
                // The same new directions for every library.
                const std::vector<Vector> fresh = randomDirections(1000u + unsigned(r * 5 + batch));
                newRay[l].push_back(
                    secondsOf([&] { figures[l].newRays = libraries[l]->rays(origin, fresh, length); }) /
                    double(fresh.size()));
                closest[l].push_back(secondsOf([&] { figures[l].closest = libraries[l]->closest(points); }) /
                                     double(points.size()));
            }
        }
    }
    for (size_t l = 0; l < libraries.size(); ++l) {
        figures[l].buildSeconds = median(build[l]);
        figures[l].raySeconds = median(ray[l]);
        figures[l].newRaySeconds = median(newRay[l]);
        figures[l].closestSeconds = median(closest[l]);
    }
    return figures;
}

struct Options {
    std::vector<int64_t> sizes{10'000, 100'000, 1'000'000};
    int roundScale = 1;
    /// Only the libraries whose name starts so (for profiling one of them).
    std::string only;
    /// The spatial queries alone, no cuts (for comparing builds of the index).
    bool queriesOnly = false;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--sizes=", 0) == 0) {
            o.sizes.clear();
            for (size_t at = 8; at < arg.size();) {
                const size_t comma = arg.find(',', at);
                o.sizes.push_back(std::stoll(arg.substr(at, comma - at)));
                at = comma == std::string::npos ? arg.size() : comma + 1;
            }
        } else if (arg.rfind("--rounds=", 0) == 0) {
            o.roundScale = std::stoi(arg.substr(9));
        } else if (arg.rfind("--only=", 0) == 0) {
            o.only = arg.substr(7);
        } else if (arg == "--queries") {
            o.queriesOnly = true;
        } else {
            std::fprintf(stderr, "usage: flumpet_compare [--sizes=10000,100000,1000000] [--rounds=N] "
                                 "[--only=NAME] [--queries]\n");
            std::exit(2);
        }
    }
    return o;
}

// One core for the whole process, and every library told to stay on one thread.
void useOneCore() {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(std::max(sched_getcpu(), 0), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0 || !useOneVtkThread()) {
        std::fprintf(stderr, "cannot keep to one core\n");
        std::exit(2);
    }
}

int run(int argc, char** argv) {
    const Options options = parse(argc, argv);
    useOneCore();
    const Plane plane{{0.1, 0.2, 0.05}, host::normalise({0.3, 1.0, 0.2})};

    std::vector<std::unique_ptr<Cutter>> cutters;
    cutters.push_back(ourCutter());
    cutters.push_back(vtkPlaneClipperCutter());
    cutters.push_back(vtkClipPolyDataCutter());
    cutters.push_back(cgalClipCutter());
    std::vector<std::unique_ptr<QueryLibrary>> libraries;
    libraries.push_back(ourQueries());
    libraries.push_back(embreeQueries());
    libraries.push_back(cgalQueries());
    // A partial run prints its figures as they come, without the tables.
    if (!options.only.empty() || options.queriesOnly) {
        std::erase_if(cutters, [&](const auto& c) {
            return options.queriesOnly || c->name().rfind(options.only, 0) != 0;
        });
        std::erase_if(libraries, [&](const auto& l) { return l->name().rfind(options.only, 0) != 0; });
        for (int64_t size : options.sizes) {
            const TriangleMesh mesh = closedMesh(size);
            const int rounds = roundsFor(size, options.roundScale);
            const auto cut = compareCuts(cutters, mesh, plane, rounds);
            for (size_t c = 0; c < cutters.size(); ++c)
                std::printf("%s cut %s: %s\n", sizeName(size).c_str(), cutters[c]->name().c_str(),
                            milliseconds(cut[c].seconds).c_str());
            const auto query = compareQueries(libraries, mesh, rounds);
            for (size_t l = 0; l < libraries.size(); ++l)
                std::printf("%s queries %s: build %s, ray %s, ray along new directions %s, closest %s\n",
                            sizeName(size).c_str(), libraries[l]->name().c_str(),
                            milliseconds(query[l].buildSeconds).c_str(),
                            microseconds(query[l].raySeconds).c_str(),
                            microseconds(query[l].newRaySeconds).c_str(),
                            microseconds(query[l].closestSeconds).c_str());
        }
        return 0;
    }

    std::map<int64_t, std::vector<CutFigures>> cuts;
    std::map<int64_t, std::vector<QueryFigures>> queries;
    std::map<int64_t, double> meshBytes;
    bool allAgree = true;
    std::string disagreements;
    for (int64_t size : options.sizes) {
        const TriangleMesh mesh = closedMesh(size);
        meshBytes[size] = double(mesh.points.size() * sizeof(Vector) + mesh.triangles.size() * 16);
        const double expected = areaInFront(mesh, plane);
        const int rounds = roundsFor(size, options.roundScale);
        cuts[size] = compareCuts(cutters, mesh, plane, rounds);
        for (size_t c = 0; c < cutters.size(); ++c)
            if (!agrees(cuts[size][c].keptArea, expected, 1e-6)) {
                allAgree = false;
                disagreements += sizeName(size) + ": " + cutters[c]->name() + " kept " +
                                 std::to_string(cuts[size][c].keptArea) + " of " + std::to_string(expected) +
                                 "\n";
            }
        queries[size] = compareQueries(libraries, mesh, rounds);
        const QueryFigures& ours = queries[size][0];
        for (size_t l = 1; l < libraries.size(); ++l) {
            const QueryFigures& other = queries[size][l];
            if (other.rays.hits != ours.rays.hits || !agrees(other.rays.distance, ours.rays.distance, 1e-4) ||
                other.newRays.hits != ours.newRays.hits ||
                !agrees(other.newRays.distance, ours.newRays.distance, 1e-4) ||
                other.closest.hits != ours.closest.hits ||
                !agrees(other.closest.distance, ours.closest.distance, 1e-4)) {
                allAgree = false;
                disagreements += sizeName(size) + ": " + libraries[l]->name() + " finds other hits\n";
            }
        }
        std::fprintf(stderr, "%s done\n", sizeName(size).c_str());
    }

    std::printf("## Plane cut\n\nMedian processor time of alternating rounds on one core, and the ratio to "
                "vtkPolyDataPlaneClipper.\n\n| triangles |");
    for (const auto& c : cutters)
        std::printf(" %s |", c->name().c_str());
    std::printf("\n|---|");
    for (size_t c = 0; c < cutters.size(); ++c)
        std::printf("---|");
    std::printf("\n");
    for (const auto& [size, figures] : cuts) {
        std::printf("| %s |", sizeName(size).c_str());
        for (const CutFigures& f : figures)
            std::printf(" %s (%s) |", milliseconds(f.seconds).c_str(),
                        times(f.seconds / figures[1].seconds).c_str());
        std::printf("\n");
    }

    std::printf("\n## Peak extra memory of the cut\n\nThe most the cut held beyond its input, and that over "
                "the bytes of the library's own copy of the mesh.\n\n| triangles |");
    for (const auto& c : cutters)
        std::printf(" %s |", c->name().c_str());
    std::printf("\n|---|");
    for (size_t c = 0; c < cutters.size(); ++c)
        std::printf("---|");
    std::printf("\n");
    for (const auto& [size, figures] : cuts) {
        std::printf("| %s |", sizeName(size).c_str());
        for (const CutFigures& f : figures)
            std::printf(" %s (%s of %s) |", megabytes(f.peakExtraBytes).c_str(),
                        times(f.peakExtraBytes / f.ownBytes).c_str(), megabytes(f.ownBytes).c_str());
        std::printf("\n");
    }

    std::printf("\n## Spatial queries\n\nMedian processor times on one core; in brackets the ratio to raw "
                "Embree. Rays "
                "from inside the mesh (nearest hit): the same thousand directions in every batch, and new "
                "directions in every batch; closest points around its surface.\n\n"
                "| triangles | library | index build | ray | ray, new directions | closest point |\n"
                "|---|---|---|---|---|---|\n");
    for (const auto& [size, figures] : queries) {
        for (size_t l = 0; l < libraries.size(); ++l) {
            const QueryFigures& f = figures[l];
            const QueryFigures& raw = figures[1];
            std::printf("| %s | %s | %s (%s) | %s (%s) | %s (%s) | %s (%s) |\n", sizeName(size).c_str(),
                        libraries[l]->name().c_str(), milliseconds(f.buildSeconds).c_str(),
                        times(f.buildSeconds / raw.buildSeconds).c_str(), microseconds(f.raySeconds).c_str(),
                        times(f.raySeconds / raw.raySeconds).c_str(), microseconds(f.newRaySeconds).c_str(),
                        times(f.newRaySeconds / raw.newRaySeconds).c_str(),
                        microseconds(f.closestSeconds).c_str(),
                        times(f.closestSeconds / raw.closestSeconds).c_str());
        }
    }

    std::printf("\n");
    if (!allAgree) std::printf("DISAGREEMENT\n%s\n", disagreements.c_str());
    if (cuts.count(100'000) && cuts.count(1'000'000))
        std::printf("ratio plane-cut-1M-vs-100K %.2f\n",
                    cuts[1'000'000][0].seconds / cuts[100'000][0].seconds);
    if (queries.count(1'000'000)) {
        const auto& q = queries[1'000'000];
        std::printf("ratio index-build-1M-vs-embree %.2f\n", q[0].buildSeconds / q[1].buildSeconds);
        std::printf("ratio rays-1M-vs-embree %.2f\n", q[0].raySeconds / q[1].raySeconds);
        std::printf("ratio rays-new-directions-1M-vs-embree %.2f\n", q[0].newRaySeconds / q[1].newRaySeconds);
    }
    if (cuts.count(1'000'000)) {
        const auto& c = cuts[1'000'000];
        std::printf("ratio plane-cut-1M-vs-vtk-plane-clipper %.2f\n", c[0].seconds / c[1].seconds);
        std::printf("ratio plane-cut-peak-memory-1M %.2f\n", c[0].peakExtraBytes / meshBytes[1'000'000]);
    }
    return allAgree ? 0 : 1;
}

} // namespace

} // namespace flumpet::compare

int main(int argc, char** argv) {
    return flumpet::compare::run(argc, argv);
}
