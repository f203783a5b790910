// One run of the command line: the embedded host with the module loaded, the generator's
// parameter symbols, and how console lines, status texts and opened pages reach the user.
#pragma once

#include "run_steps.h"
#include "scene/engine.h"

#include <memory>
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
    /// Writes a document to a scene file (through a temporary file, so a failure leaves any
    /// existing file as it was); throws CommandError naming the file.
    void saveScene(const host::Document& doc, const std::string& path);

    /// What the steps of `run` need: symbols, the generator type and how the host's menu makes
    /// a generator.
    RunContext runContext(const host::Document& doc);
    const Symbols& symbols() const { return symbols_; }
    bool isGenerator(const host::Object& o) const;
    /// Tells the user something (unless quiet), on standard output.
    void note(const std::string& line) const;

  private:
    std::unique_ptr<scene::Engine> engine_;
    Symbols symbols_;
    bool quiet_;
};

} // namespace flumpet::app
