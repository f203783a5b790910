// flumpet: the command line of the embedded host. Imports characters, shows scenes and drives
// the generator through the messages a host sends, then saves what was built.
#include "main.h"
#include "main_job_cli.h"
#include "memory_limit.h"
#include "model_import.h"
#include "object_paths.h"
#include "output_file.h"
#include "random.h"
#include "run_steps.h"
#include "scene_info.h"
#include "session.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>

namespace {

using flumpet::app::CommandError;
using flumpet::app::Session;
using flumpet::app::Step;
using flumpet::app::StepKind;

/// A message as one line: a file name or object name with a line break must not split it.
std::string oneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') out += '?';
        else out += c;
    }
    return out;
}

struct Options {
    std::string model, scene, output;
    bool json = false, quiet = false, fresh = false, parameters = false;
    std::optional<unsigned> seed;
    double memoryLimitGiB = 0.0;
    std::vector<Step> steps;
};

int importCommand(const Options& o) {
    // A file may claim more elements than any machine holds; the cap turns that into an error.
    const uint64_t limit = o.memoryLimitGiB > 0 ? static_cast<uint64_t>(o.memoryLimitGiB * 1073741824.0)
                                                : flumpet::app::defaultMemoryLimit();
    flumpet::app::refuseOutputOverInput(o.model, o.output);
    flumpet::app::limitMemory(limit);
    Session session(o.quiet);
    if (o.output == "-") session.notesToStandardError();
    const flumpet::host::Document doc = session.newDocument();
    const auto report = flumpet::app::importModel(session.engine(), doc, o.model,
                                                  [&](const std::string& line) { session.note(line); });
    session.saveScene(doc, o.output);
    session.note(oneLine("Imported " + o.model + ": " + std::to_string(report.joints) + " joints, " +
                 std::to_string(report.meshes) + " meshes (" + std::to_string(report.vertices) + " vertices read, " +
                 std::to_string(report.points) + " points kept, " + std::to_string(report.polygons) +
                 " polygons) -> " + o.output));
    return 0;
}

int infoCommand(const Options& o) {
    Session session(true);
    if (o.parameters) {
        std::cout << flumpet::app::parameterTableText(session.parameters());
        if (o.scene.empty()) return 0;
        std::cout << "\n";
    }
    if (o.scene.empty()) throw CommandError("give a scene file (or --parameters)");
    const flumpet::host::Document doc = session.loadScene(o.scene);
    auto symbolOf = [&](int32_t type, int32_t id) {
        return type == flumpet::PluginId ? session.symbols().nameOf(id) : std::string{};
    };
    auto isGenerator = [&](const flumpet::host::Object& obj) { return session.isGenerator(obj); };
    if (o.json)
        std::cout << flumpet::app::sceneInfoJson(session.engine(), doc, symbolOf, isGenerator, session.parameters()).dump(2) << "\n";
    else
        std::cout << flumpet::app::sceneInfoText(session.engine(), doc, symbolOf, isGenerator, session.parameters());
    return 0;
}

int runCommand(const Options& o) {
    if (o.fresh == !o.scene.empty()) throw CommandError("give either a scene file or --new");
    flumpet::app::refuseOutputOverInput(o.scene, o.output);
    if (o.seed) flumpet::seedRandom(*o.seed);
    Session session(o.quiet);
    if (o.output == "-") session.notesToStandardError();
    const flumpet::host::Document doc = o.fresh ? session.newDocument() : session.loadScene(o.scene);
    flumpet::app::RunContext context = session.runContext(doc);
    for (const Step& step : o.steps) flumpet::app::runStep(context, step);
    session.saveScene(doc, o.output);
    return 0;
}

void addStep(CLI::App& app, Options& o, const std::string& name, StepKind kind, const std::string& help,
             const std::string& valueName) {
    app.add_option_function<std::vector<std::string>>(
           name,
           [&o, kind, name](const std::vector<std::string>& values) {
               for (const auto& v : values) o.steps.push_back(Step{kind, v, name});
           },
           help)
        ->type_name(valueName)
        ->trigger_on_parse()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void addFlagStep(CLI::App& app, Options& o, const std::string& name, StepKind kind, const std::string& help) {
    app.add_flag_function(
           name, [&o, kind, name](std::int64_t count) {
               for (std::int64_t i = 0; i < count; ++i) o.steps.push_back(Step{kind, "", name});
           },
           help)
        ->trigger_on_parse();
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    CLI::App app{"flumpet: rig animated characters for rigid-body dynamics on the embedded host."};
    app.require_subcommand(1);
    app.footer("Run 'flumpet COMMAND --help' for a command's options and examples.\n");

    CLI::App* import = app.add_subcommand("import", "Import a character (FBX, glTF, COLLADA, DirectX .x ...) into a scene file");
    import->add_option("MODEL", o.model, "Model file to import")->required();
    import->add_option("-o,--output", o.output, "Scene file to write (- for standard output)")->required();
    import->add_flag("-q,--quiet", o.quiet, "Print nothing but errors");
    import->add_option("--memory-limit", o.memoryLimitGiB,
                       "Most memory the import may take, in GiB (default: three quarters of the machine's)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                // Read here rather than by the option parser, which takes nan and names a
                // 300-digit bound for an out-of-range value.
                char* end = nullptr;
                const double v = std::strtod(text.c_str(), &end);
                if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v) || v < 0.05 || v > 1048576)
                    return "expected a number of GiB from 0.05 to 1048576, got \"" + text + "\"";
                return {};
            },
            "GiB"));
    import->footer("Example:\n  flumpet import /usr/share/assimp/models/X/BCN_Epileptic.X -o character.json\n");

    CLI::App* info = app.add_subcommand("info", "Show a scene: object tree, generator parameters, counts");
    info->add_option("SCENE", o.scene, "Scene file");
    info->add_flag("--json", o.json, "Print one JSON object (see docs/command-line.md)");
    info->add_flag("--parameters", o.parameters,
                   "List the generator's parameters: symbol, id, type, default, allowed range");
    info->footer("Examples:\n  flumpet info character.json\n  flumpet info character.json --json\n"
                 "  flumpet info --parameters\n");

    CLI::App* run = app.add_subcommand("run", "Apply steps to a scene in the order given, then save it");
    run->add_option("SCENE", o.scene, "Scene file to start from");
    run->add_flag("--new", o.fresh, "Start from an empty document instead of a scene file");
    run->add_option("-o,--output", o.output, "Scene file to write (- for standard output)")->required();
    run->add_option("--seed", o.seed, "Seed for the module's random numbers (reproducible runs)");
    run->add_flag("-q,--quiet", o.quiet, "Hide console lines and status texts");
    addStep(*run, o, "--generator", StepKind::Generator, "Pick the generator of this name, or create it as the host's menu does", "NAME");
    addStep(*run, o, "--link", StepKind::Link, "Write a link parameter (no reactions), e.g. BODY_BONE_1=Root/B_Pelvis", "SYMBOL=OBJECT");
    addStep(*run, o, "--set", StepKind::Set, "Set a parameter and send the parameter-set message, e.g. CONNECTOR_MODE=6", "SYMBOL=VALUE");
    addStep(*run, o, "--list-add", StepKind::ListAdd, "Add an object to a list parameter", "SYMBOL=OBJECT");
    addStep(*run, o, "--list-remove", StepKind::ListRemove, "Remove an object from a list parameter", "SYMBOL=OBJECT");
    addStep(*run, o, "--select", StepKind::Select, "Select objects in this order (the rest are deselected)", "A,B,C");
    addStep(*run, o, "--press", StepKind::Press, "Press a button, e.g. CMD_CREATE", "SYMBOL");
    addStep(*run, o, "--event", StepKind::Event, "Send a document event of a kind (1001, 1013, 1014)", "KIND");
    addStep(*run, o, "--spline", StepKind::Spline,
            "Add an editable spline under an object: segments split by |, points by ;, then :closed or :open and "
            ":linear or :cubic, e.g. Flumpet/Path=0,0,0;0,100,0;50,200,0",
            "PARENT/NAME=POINTS");
    addStep(*run, o, "--move-point", StepKind::MovePoint,
            "Move one point of a spline (its own coordinates) as a drag does, e.g. Flumpet/Path=1:0,120,0",
            "SPLINE=INDEX:X,Y,Z");
    addFlagStep(*run, o, "--undo", StepKind::Undo, "Undo the last command");
    addFlagStep(*run, o, "--redo", StepKind::Redo, "Redo the last undone command");
    addFlagStep(*run, o, "--evaluate", StepKind::Evaluate, "Evaluate the scene (the generators' dirty checks)");
    run->footer(
        "Steps run in the order given. Symbols are the generator's parameter names; numbers work too.\n"
        "Objects are named by name or by path (Root/B_Spine1).\n\n"
        "Examples:\n"
        "  flumpet run character.json --generator Flumpet --select B_UpperArm_Left,B_Hand_Left \\\n"
        "      --press ARM_A_ASSIGN_SELECTED -o assigned.json\n"
        "  flumpet run --new --generator Rope --set CONNECTOR_MODE=6 -o rope.json\n");

    const flumpet::app::MainJobCommands mainJob(app);

    try {
        app.parse(argc, argv);
        if (import->parsed()) return importCommand(o);
        if (info->parsed()) return infoCommand(o);
        if (mainJob.parsed()) return mainJob.run();
        return runCommand(o);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "flumpet: " << oneLine(e.what()) << " (see flumpet --help)\n";
        return 2;
    } catch (const CommandError& e) {
        std::cerr << "flumpet: " << oneLine(e.what()) << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "flumpet: out of memory (see --memory-limit)\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "flumpet: " << oneLine(e.what()) << "\n";
        return 1;
    }
}
