// The embedded host's scripting engine: one virtual machine that runs page scripts (see
// scene/page_script.h), its scopes and global lock, and the address parser.
#pragma once

#include "host/scripting.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace flumpet::scene {

class Engine;

/// What one executed scope held and how it ended (for the command line and tests).
struct ScriptRun {
    std::string name;
    std::string code;
    /// Bound names and what they hold: "document <id>", "object <id>", "None" or "text <text>".
    std::map<std::string, std::string> bindings;
    bool succeeded = false;
};

class PageScriptMachine;

class ScriptEngine : public host::ScriptServices {
  public:
    /// The identifier the machine is registered under.
    static constexpr const char* MachineId = "net.maxon.python.virtualmachine.c4dpy3";

    explicit ScriptEngine(Engine& engine);
    ~ScriptEngine() override;

    host::VirtualMachine* virtualMachine(const std::string& identifier, std::string& error) override;
    void prepareExecution(int32_t a, int32_t b, int32_t c) override;
    bool parseUrl(const std::string& text, host::Url& out, std::string& error) override;

    /// Every executed scope, in order.
    const std::vector<ScriptRun>& runs() const;
    int64_t preparations() const { return preparations_; }
    /// Whether the machine's global lock is held now.
    bool locked() const;

  private:
    Engine& engine_;
    std::unique_ptr<PageScriptMachine> machine_;
    int64_t preparations_ = 0;
};

} // namespace flumpet::scene
