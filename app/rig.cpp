#include "rig.h"

#include "bone_mapping.h"
#include "gltf_export.h"
#include "host/geometry_handles.h"
#include "host/ids.h"
#include "main.h"
#include "mannequin.h"
#include "memory_limit.h"
#include "model_import.h"
#include "object_paths.h"
#include "progress.h"
#include "random.h"
#include "run_steps.h"
#include "scene/dynamics/simulation.h"
#include "session.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

namespace flumpet::app {

namespace {

/// What a scene holds that a rig is made of.
struct RigCounts {
    int meshColliders = 0; ///< polygon objects (pieces cut from the character, and the character's own)
    int boxColliders = 0;
    int spheres = 0;
    int cones = 0;
    int connectors = 0;
    int springs = 0;
    int bodyTags = 0;

    RigCounts operator-(const RigCounts& o) const {
        return {meshColliders - o.meshColliders, boxColliders - o.boxColliders, spheres - o.spheres, cones - o.cones,
                connectors - o.connectors,       springs - o.springs,           bodyTags - o.bodyTags};
    }
    bool empty() const {
        return meshColliders == 0 && boxColliders == 0 && spheres == 0 && cones == 0 && connectors == 0 && springs == 0 &&
               bodyTags == 0;
    }
};

RigCounts countRig(const host::Document& doc) {
    RigCounts c;
    for (const host::Object& o : allObjects(doc)) {
        switch (o.type()) {
        case host::type::Polygon: ++c.meshColliders; break;
        case host::type::Cube: ++c.boxColliders; break;
        case host::type::Sphere: ++c.spheres; break;
        case host::type::Cone: ++c.cones; break;
        case host::type::Connector: ++c.connectors; break;
        case host::type::Spring: ++c.springs; break;
        default: break;
        }
        for (const host::Tag& t : o.tags()) c.bodyTags += t.type() == host::tagtype::DynamicsBody;
    }
    return c;
}

std::string plural(int n, const std::string& one, const std::string& many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string describe(const RigCounts& c) {
    std::string colliders = plural(c.meshColliders + c.boxColliders + c.spheres + c.cones, "collider", "colliders");
    std::vector<std::string> kinds;
    if (c.meshColliders) kinds.push_back(std::to_string(c.meshColliders) + " cut from the mesh");
    if (c.boxColliders) kinds.push_back(plural(c.boxColliders, "box", "boxes"));
    if (c.spheres) kinds.push_back(plural(c.spheres, "sphere", "spheres"));
    if (c.cones) kinds.push_back(plural(c.cones, "cone", "cones"));
    if (!kinds.empty()) {
        colliders += " (";
        for (size_t i = 0; i < kinds.size(); ++i) colliders += (i ? ", " : "") + kinds[i];
        colliders += ")";
    }
    return colliders + ", " + plural(c.connectors, "connector", "connectors") + ", " +
           plural(c.springs, "spring", "springs") + ", " + plural(c.bodyTags, "body tag", "body tags");
}

host::Object generatorOf(Session& session, const host::Document& doc) {
    for (const host::Object& o : allObjects(doc))
        if (session.isGenerator(o)) return o;
    RunContext context = session.runContext(doc);
    host::Object g = context.createGenerator("Flumpet");
    if (!g.alive()) throw CommandError("the generator could not be created");
    return g;
}

struct RigSettings {
    std::string map = "auto";
    bool springs = false, boxes = false, quiet = false;
};

/// What a rig run built, and how long the create press alone took (wall clock, seconds).
struct RigResult {
    RigCounts built;
    double createSeconds = 0.0;
    host::Object generator;
};

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", seconds < 1.0 ? 3 : 2, seconds);
    return text;
}

} // namespace

host::Object prepareRig(Session& session, const host::Document& doc, const std::string& map, bool quiet) {
    const std::vector<SkeletonJoint> skeleton = skeletonOf(doc);
    BoneMapping mapping = mapBones(skeleton);
    if (map != "auto") applyMappingFile(mapping, skeleton, map);
    if (!quiet) std::cout << mappingTable(mapping, skeleton) << std::flush;
    if (!mapping.complete()) {
        const auto unfilled = mapping.unfilledSlots();
        throw CommandError("could not fill " + std::to_string(unfilled.size()) +
                           " of 22 bone slots; name their joints in a mapping file (--map FILE)");
    }
    host::Object generator = generatorOf(session, doc);
    for (size_t slot = 0; slot < 22; ++slot) {
        const SkeletonJoint& joint = skeleton[size_t(mapping.joints[slot])];
        host::Container data = generator.data();
        data.setLink(parameterId(session.symbols(), slotSymbols()[slot]), joint.id);
        generator.setData(data);
    }
    return generator;
}

namespace {

/// Maps the bones, links the slots and presses the buttons. Returns what was built.
RigResult rigDocument(Session& session, const host::Document& doc, const RigSettings& settings, Progress& progress) {
    progress.stage("mapping bones");
    const host::Object generator = prepareRig(session, doc, settings.map, settings.quiet);
    RunContext context = session.runContext(doc);
    context.generator = generator;
    if (settings.boxes) runStep(context, Step{StepKind::Set, "CUBES_COLLIDERS=true", "--boxes"});

    const RigCounts before = countRig(doc);
    progress.stage("building colliders, connectors and body tags");
    std::function<void(int32_t, const std::string&)>& bar = session.engine().feedback().progress;
    bar = [&progress](int32_t percent, const std::string& bone) {
        if (percent >= 0) progress.detail("bone " + bone + " (" + std::to_string(percent) + "%)");
    };
    struct Unhook {
        std::function<void(int32_t, const std::string&)>& bar;
        ~Unhook() { bar = nullptr; }
    } unhook{bar};
    const auto started = std::chrono::steady_clock::now();
    runStep(context, Step{StepKind::Press, "CMD_CREATE", "create"});
    const double createSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const RigCounts created = countRig(doc) - before;
    if (created.empty()) throw CommandError("nothing was built: the generator's create command made no colliders, connectors or body tags");
    if (settings.springs) {
        progress.stage("building springs");
        runStep(context, Step{StepKind::Press, "CMD_CREATE_SPRINGS", "springs"});
        if ((countRig(doc) - before).springs == 0) throw CommandError("no springs were built: the generator's springs command made none");
    }
    return {countRig(doc) - before, createSeconds, generator};
}

/// Lowest height (Y) of the scene: its meshes' points and its objects' origins.
double lowestPoint(const host::Document& doc) {
    double lowest = 0.0, highest = 0.0;
    bool any = false;
    const auto see = [&](double y) {
        if (!std::isfinite(y)) return;
        lowest = any ? std::min(lowest, y) : y;
        highest = any ? std::max(highest, y) : y;
        any = true;
    };
    for (const host::Object& o : allObjects(doc)) {
        const host::Matrix world = o.globalMatrix();
        see(world.off.y);
        if (o.type() == host::type::Polygon)
            for (const host::Vector& p : host::PolygonObject(o).points()) see((world * p).y);
    }
    // A little below, so that nothing touches the ground where the bake starts.
    return lowest - 0.01 * (highest - lowest);
}

/// Presses the dynamics bake with the options' length and ground plane. Returns the report
/// (its lines reach the console when the bake ends).
const scene::StabilityReport& bakeRig(Session& session, const host::Document& doc, const host::Object& generator,
                                      const SimulateOptions& options) {
    const host::Node hook = doc.sceneHook(host::hook::DynamicsSettings);
    if (!hook.alive()) throw CommandError("nothing to simulate: the scene has no dynamics settings");
    hook.setParameter(host::DescID(scene::bakeparam::Seconds), options.seconds);
    hook.setParameter(host::DescID(scene::bakeparam::Ground), options.ground);
    if (options.ground) hook.setParameter(host::DescID(scene::bakeparam::GroundHeight), lowestPoint(doc));
    session.engine().setActiveDocument(doc.id());
    RunContext context = session.runContext(doc);
    context.generator = generator;
    runStep(context, Step{StepKind::Press, "CMD_BAKE", "--simulate"});
    const scene::StabilityReport* report = session.engine().bakeReport(doc.id());
    if (!report) throw CommandError("the dynamics bake did not run");
    return *report;
}

/// Called once the files are written, so that an unstable motion can still be looked at.
void failWhenUnstable(const scene::StabilityReport& report, const std::string& written) {
    if (report.stable()) return;
    throw CommandError("the simulated rig is unstable, its motion cannot be trusted (" + report.lines().front() +
                       "; see the report); written anyway: " + written);
}

bool isSceneFile(const std::string& path) { return std::filesystem::path(path).extension() == ".json"; }

} // namespace

int rigCommand(const RigOptions& o) {
    Progress progress(4 + (o.springs ? 1 : 0) + (o.simulation.simulate ? 1 : 0), !o.quiet && Progress::onTerminal());
    if (o.seed) seedRandom(*o.seed);
    Session session(o.quiet);
    host::Document doc;
    if (isSceneFile(o.input)) {
        progress.stage("reading " + o.input);
        doc = session.loadScene(o.input);
    } else {
        progress.stage("importing " + o.input);
        limitMemory(defaultMemoryLimit());
        doc = session.newDocument();
        importModel(session.engine(), doc, o.input, [&](const std::string& line) { session.note(line); });
    }
    const RigResult rig = rigDocument(session, doc, {o.map, o.springs, o.boxes, o.quiet}, progress);
    const scene::StabilityReport* report = nullptr;
    if (o.simulation.simulate) {
        progress.stage("simulating " + secondsText(o.simulation.seconds) + " s");
        report = &bakeRig(session, doc, rig.generator, o.simulation);
    }
    progress.stage("saving " + o.output);
    session.saveScene(doc, o.output);
    if (!o.gltf.empty()) exportGltf(doc, o.gltf, session.engine().bakedMotion(doc.id()));
    session.note("Built " + describe(rig.built) + " in " + secondsText(progress.elapsed()) + " s (create " +
                 secondsText(rig.createSeconds) + " s) -> " + o.output + (o.gltf.empty() ? "" : ", " + o.gltf));
    if (report) failWhenUnstable(*report, o.gltf.empty() ? o.output : o.output + " and " + o.gltf);
    return 0;
}

int mannequinCommand(const MannequinOptions& o) {
    Session session(o.quiet);
    const host::Document doc = session.newDocument();
    const Mannequin m = makeMannequin(o.triangles);
    insertMannequin(session.engine(), doc, m);
    session.saveScene(doc, o.output);
    if (!o.gltf.empty()) exportGltf(doc, o.gltf);
    session.note("Mannequin: " + std::to_string(m.joints.size()) + " joints, " + std::to_string(m.surface.points.size()) +
                 " points, " + std::to_string(m.surface.triangles.size()) + " triangles -> " + o.output);
    return 0;
}

int demoCommand(const DemoOptions& o) {
    Progress progress(6, !o.quiet && Progress::onTerminal());
    seedRandom(o.seed);
    std::filesystem::create_directories(o.directory);
    const auto file = [&](const char* name) { return (std::filesystem::path(o.directory) / name).string(); };
    Session session(o.quiet);
    const host::Document doc = session.newDocument();
    progress.stage("making the mannequin (" + std::to_string(o.triangles) + " triangles)");
    insertMannequin(session.engine(), doc, makeMannequin(o.triangles));
    session.saveScene(doc, file("mannequin.json"));
    const RigResult rig = rigDocument(session, doc, {"auto", true, false, o.quiet}, progress);
    progress.stage("simulating the fall onto the ground");
    const scene::StabilityReport& report = bakeRig(session, doc, rig.generator, SimulateOptions{true, 3.0, true});
    progress.stage("saving");
    session.saveScene(doc, file("rig.json"));
    exportGltf(doc, file("rig.gltf"), session.engine().bakedMotion(doc.id()));
    session.note("Built " + describe(rig.built) + " in " + secondsText(progress.elapsed()) + " s (create " +
                 secondsText(rig.createSeconds) + " s) -> " + file("rig.json") + ", " + file("rig.gltf"));
    failWhenUnstable(report, file("rig.json") + " and " + file("rig.gltf"));
    return 0;
}

} // namespace flumpet::app
