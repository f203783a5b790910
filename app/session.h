// One run of the command line: the embedded host with the module loaded, the generator's
// parameter symbols, and how console lines, status texts and opened pages reach the user.
#pragma once

#include "parameter_table.h"
#include "run_steps.h"
#include "scene/engine.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace flumpet::app {

class Session {
  public:
    /// Loads the module; quiet hides console lines, status texts and opened pages.
    explicit Session(bool quiet);
    ~Session();

    scene::Engine& engine() { return *engine_; }
    /// A new empty document, made active.
    host::Document newDocument();
    /// Reads a scene file into a new active document; throws CommandError naming the file.
    host::Document loadScene(const std::string& path);
    /// Writes a document to a scene file ("-" for standard output) as writeOutputFile does;
    /// throws CommandError naming the file.
    void saveScene(const host::Document& doc, const std::string& path);

    /// What the steps of `run` need: symbols, the generator type and how the host's menu makes
    /// a generator.
    RunContext runContext(const host::Document& doc);
    const Symbols& symbols() const { return symbols_; }
    /// The generator's parameters as its description lists them, with defaults and ranges.
    const std::vector<ParameterInfo>& parameters() const { return described_->get().parameters; }
    bool isGenerator(const host::Object& o) const;
    /// Tells the user something (unless quiet), on standard output, or on standard error once
    /// standard output carries the result (-o -).
    void note(const std::string& line) const;
    void notesToStandardError() { notesToErr_ = true; }

  private:
    std::unique_ptr<scene::Engine> engine_;
    Symbols symbols_;
    /// The generator's description, read when first asked for.
    struct Described {
        struct Data {
            std::map<int32_t, int32_t> types;
            std::vector<ParameterInfo> parameters;
        };
        scene::Engine* engine = nullptr;
        std::function<std::string(int32_t)> nameOf;
        std::optional<Data> data;
        const Data& get();
    };
    std::shared_ptr<Described> described_;
    bool quiet_;
    bool notesToErr_ = false;
};

} // namespace flumpet::app
