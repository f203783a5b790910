// The engine's side of a module's life: loading it through its entry and ending it.
#include "scene/engine.h"

#include "host/ids.h"

#include <cstdint>
#include <map>

namespace flumpet::scene {

namespace {

// A module keeps one host binding for the whole process, so two engines must not share one.
std::map<host::ModuleEntry, const Engine*>& loadedModules() {
    static std::map<host::ModuleEntry, const Engine*> modules;
    return modules;
}

void* messageId(int32_t id) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(id)));
}

} // namespace

bool Engine::loadModule(host::ModuleEntry entry) {
    if (!entry) {
        fail("no module entry");
        return false;
    }
    if (module_) {
        fail("a module is loaded already");
        return false;
    }
    if (loadedModules().count(entry)) {
        fail("the module is loaded by another engine of this process");
        return false;
    }
    host::HostInfo info{version_};
    auto refuse = [&](const std::string& why) {
        // The module counted the initialise; ending it balances that, as unloading would.
        entry(host::action::End, nullptr, nullptr, nullptr);
        fail(why);
        return false;
    };
    const int32_t bound = entry(host::action::Initialise, &info, nullptr, static_cast<host::Host*>(this));
    if (bound != host::action::Ok)
        return refuse("the module refused host version " + std::to_string(version_) + " (answer " +
                      std::to_string(bound) + ")");
    const int32_t interface = entry(host::action::InterfaceVersion, nullptr, nullptr, nullptr);
    if (interface != host::action::InterfaceVersionNumber)
        return refuse("the module speaks interface version " + std::to_string(interface));
    if (entry(host::action::Message, messageId(host::modulemsg::LoadResource), nullptr, nullptr) !=
        host::action::Ok)
        consoleLine("Module resource not loaded: " + plugins_.lastError());
    const int32_t started = entry(host::action::Start, nullptr, nullptr, nullptr);
    if (started != host::action::Ok)
        return refuse("the module did not start (answer " + std::to_string(started) + ")");
    module_ = entry;
    loadedModules().emplace(entry, this);
    return true;
}

void Engine::unloadModule() {
    if (!module_) return;
    module_(host::action::End, nullptr, nullptr, nullptr);
    loadedModules().erase(module_);
    module_ = nullptr;
}

} // namespace flumpet::scene
