// The steps of `flumpet run`: each one does what a user does in the host (pick or create a
// generator, link, set, edit a list, select, press a button, undo, redo, send an event).
#pragma once

#include "host/nodes.h"
#include "parameter_table.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace flumpet::scene {
class Engine;
}

namespace flumpet::app {

enum class StepKind {
    Generator, Link, Set, ListAdd, ListRemove, Select, Press, Undo, Redo, Event, Evaluate, Spline, MovePoint
};

struct Step {
    StepKind kind;
    std::string argument; ///< as given on the command line
    /// "--set" etc., for error messages.
    std::string option;
};

/// Parameter symbols of the generator: name to id and back.
struct Symbols {
    std::function<std::optional<int32_t>(const std::string&)> idOf;
    std::function<std::string(int32_t)> nameOf;
    /// The value type (host::datatype) a parameter takes, 0 when unknown.
    std::function<int32_t(int32_t)> typeOf;
    /// What the description says of a parameter (range, default); null when it does not list it.
    std::function<const ParameterInfo*(int32_t)> infoOf;
};

/// What the steps work on.
struct RunContext {
    scene::Engine& engine;
    host::Document doc;
    Symbols symbols;
    /// The generator type and how to make one as the host's menu does.
    int32_t generatorType = 0;
    std::function<host::Object(const std::string& name)> createGenerator;
    /// Runs the generators' dirty checks, as the host does before it re-evaluates the scene.
    std::function<void()> evaluate;
    host::Object generator; ///< chosen by the last --generator step (or the scene's only one)
    /// Told one line per step: what the step changed (empty: the steps are silent).
    std::function<void(const std::string&)> report;
    /// Consecutive --select steps add to one selection.
    bool selecting = false;
};

/// Runs one step; throws CommandError with a message that names the step.
void runStep(RunContext& context, const Step& step);

/// A parameter by symbol or number; throws CommandError for an unknown symbol.
int32_t parameterId(const Symbols& symbols, const std::string& symbolOrNumber);

} // namespace flumpet::app
