#include "scene/scripting.h"

#include "scene/engine.h"
#include "scene/page_script.h"

#include <mutex>

namespace flumpet::scene {

namespace {

/// A machine value: a host node, None or a text.
class MachineObject : public host::ScriptObject {
  public:
    enum class Kind { Document, Object, None, Text };
    MachineObject(Kind kind, host::NodeId node, std::string text = {})
        : kind_(kind), node_(node), text_(std::move(text)) {}
    std::string describe() const {
        switch (kind_) {
        case Kind::Document:
            return "document " + std::to_string(node_);
        case Kind::Object:
            return "object " + std::to_string(node_);
        case Kind::None:
            return "None";
        case Kind::Text:
            return "text " + text_;
        }
        return {};
    }
    bool isNode() const { return kind_ == Kind::Document || kind_ == Kind::Object; }

  private:
    Kind kind_;
    host::NodeId node_;
    std::string text_;
};

bool isIdentifier(const std::string& s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

} // namespace

class PageScriptMachine : public host::VirtualMachine {
  public:
    explicit PageScriptMachine(Engine& engine) : engine_(engine) {}

    std::unique_ptr<host::ScriptScope> createScope(std::string& error) override;
    void lock() override {
        mutex_.lock();
        ++depth_;
    }
    void unlock() override {
        --depth_;
        mutex_.unlock();
    }
    std::shared_ptr<host::ScriptObject> convertNode(host::NodeId id) override {
        // Host objects may only be touched under the global lock.
        if (depth_ == 0) return nullptr;
        const Node* n = engine_.find(id);
        if (!n) return nullptr;
        if (n->kind == NodeKind::Document)
            return std::make_shared<MachineObject>(MachineObject::Kind::Document, id);
        if (n->isObject()) return std::make_shared<MachineObject>(MachineObject::Kind::Object, id);
        return nullptr;
    }
    std::shared_ptr<host::ScriptObject> none() override {
        return std::make_shared<MachineObject>(MachineObject::Kind::None, host::NoNode);
    }

    bool locked() const { return depth_ > 0; }
    Engine& engine() { return engine_; }
    std::vector<ScriptRun> runs;

  private:
    Engine& engine_;
    std::recursive_mutex mutex_;
    int depth_ = 0;
};

namespace {

class PageScriptScope : public host::ScriptScope {
  public:
    explicit PageScriptScope(PageScriptMachine& machine) : machine_(machine) {}

    bool init(const std::string& name, const std::string& code, std::string& error) override {
        if (initialised_) {
            error = "the scope holds a script already";
            return false;
        }
        run_.name = name;
        run_.code = code;
        initialised_ = true;
        return true;
    }
    bool bind(const std::string& name, const std::shared_ptr<host::ScriptObject>& value,
              std::string& error) override {
        const auto* object = dynamic_cast<const MachineObject*>(value.get());
        if (!object) {
            error = "cannot bind '" + name + "': the value is not an object of this machine";
            return false;
        }
        if (object->isNode() && !machine_.locked()) {
            error = "cannot bind '" + name + "': the global lock is not held";
            return false;
        }
        return bindAs(name, object->describe(), error);
    }
    bool bindText(const std::string& name, const std::string& text, std::string& error) override {
        return bindAs(name, "text " + text, error);
    }
    bool execute() override {
        Engine& engine = machine_.engine();
        PageScript script;
        std::string error;
        if (!initialised_) {
            error = "line 0: the scope holds no script";
        } else if (parsePageScript(run_.code, script, error)) {
            for (const std::string& page : script.pages)
                engine.openPage(page);
            run_.succeeded = true;
        }
        // The machine reports its own failures, as an interpreter prints its traceback.
        if (!run_.succeeded) engine.consoleLine(run_.name + ", " + error);
        machine_.runs.push_back(run_);
        return run_.succeeded;
    }

  private:
    bool bindAs(const std::string& name, std::string value, std::string& error) {
        if (!isIdentifier(name)) {
            error = "cannot bind '" + name + "': not a name";
            return false;
        }
        run_.bindings[name] = std::move(value);
        return true;
    }

    PageScriptMachine& machine_;
    ScriptRun run_;
    bool initialised_ = false;
};

} // namespace

std::unique_ptr<host::ScriptScope> PageScriptMachine::createScope(std::string&) {
    return std::make_unique<PageScriptScope>(*this);
}

ScriptEngine::ScriptEngine(Engine& engine)
    : engine_(engine), machine_(std::make_unique<PageScriptMachine>(engine)) {}

ScriptEngine::~ScriptEngine() = default;

host::VirtualMachine* ScriptEngine::virtualMachine(const std::string& identifier, std::string& error) {
    if (identifier == MachineId) return machine_.get();
    error = "no virtual machine is registered as \"" + identifier + "\"";
    return nullptr;
}

void ScriptEngine::prepareExecution(int32_t, int32_t, int32_t) {
    ++preparations_;
}

const std::vector<ScriptRun>& ScriptEngine::runs() const {
    return machine_->runs;
}

bool ScriptEngine::locked() const {
    return machine_->locked();
}

bool ScriptEngine::parseUrl(const std::string& text, host::Url& out, std::string& error) {
    auto invalid = [&](const std::string& why) {
        error = "Invalid address: " + why;
        return false;
    };
    const size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0) return invalid("no scheme");
    for (size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return invalid("bad scheme");
    }
    const size_t hostStart = colon + 3;
    const size_t hostEnd = text.find_first_of("/?#", hostStart);
    if (hostEnd == hostStart || hostStart >= text.size()) return invalid("no host");
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        static const std::string allowed = "-._~:/?#[]@!$&'()*+,;=%";
        if (!plain && allowed.find(static_cast<char>(c)) == std::string::npos)
            return invalid("character " + std::to_string(c) + " at position " + std::to_string(i));
    }
    out = host::Url(text);
    return true;
}

} // namespace flumpet::scene
