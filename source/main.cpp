#include "main.h"

#include "command_context.h"
#include "firstobject.h"
#include "help.h"
#include "host/ids.h"
#include "host/plugins.h"
#include "joints/skeleton_chain.h"

#include <cstdint>

namespace flumpet {
namespace {

/// One per loaded module.
struct ModuleState {
    /// Initialise calls not yet balanced by an end call.
    int32_t initialisations = 0;
    host::Host* host = nullptr;
    bool resourceLoaded = false;
};

ModuleState& moduleState() {
    static ModuleState state;
    return state;
}

int32_t initialise(void* p1, void* p3) {
    ModuleState& s = moduleState();
    if (++s.initialisations != 1) return host::action::Ok;
    const auto* info = static_cast<const host::HostInfo*>(p1);
    if (!info || info->version < LowestHostVersion || !p3) return host::action::VersionRefused;
    s.host = static_cast<host::Host*>(p3);
    return host::action::Ok;
}

int32_t end() {
    ModuleState& s = moduleState();
    // An end without a matching initialise must not push the counter below zero, or the next
    // initialise would never bind.
    if (s.initialisations == 0) return host::action::Ok;
    if (--s.initialisations != 0) return host::action::Ok;
    if (s.resourceLoaded && s.host) s.host->plugins().releaseResource();
    s.resourceLoaded = false;
    s.host = nullptr;
    // Nothing of the last command may reach into a host the module is no longer bound to.
    commandContext() = CommandContext{};
    clearSuccessorOverride();
    return host::action::Ok;
}

int32_t start() {
    host::Host* h = moduleState().host;
    if (!h) return host::action::Failed;
    host::PluginServices& plugins = h->plugins();
    if (!plugins.registerHelp(PluginId, &helpLookup)) return host::action::Failed;
    host::ObjectPlugin generator;
    generator.id = PluginId;
    generator.name = PluginName;
    generator.info = host::objectinfo::Generator;
    generator.allocator = &FirstObject::alloc;
    generator.description = DescriptionName;
    generator.icon = plugins.loadIcon(IconFile, IconPixelRatio);
    generator.diskLevel = DiskLevel;
    // A refused registration leaves the module running without its object; nothing to undo.
    plugins.registerObject(generator);
    return host::action::Ok;
}

bool moduleMessage(int32_t id) {
    ModuleState& s = moduleState();
    switch (id) {
    case host::modulemsg::LoadResource:
        if (!s.resourceLoaded && s.host) s.resourceLoaded = s.host->plugins().loadResource();
        return s.resourceLoaded;
    case host::modulemsg::HostQuery:
        return true;
    default:
        return false;
    }
}

} // namespace

host::Host* boundHost() {
    return moduleState().host;
}

} // namespace flumpet

extern "C" int32_t c4d_main(int32_t action, void* p1, void*, void* p3) {
    using namespace flumpet;
    switch (action) {
    case host::action::Initialise:
        return initialise(p1, p3);
    case host::action::Start:
        return start();
    case host::action::End:
        return end();
    case host::action::InterfaceVersion:
        return host::action::InterfaceVersionNumber;
    case host::action::Message: {
        // The message id travels in the low 32 bits of p1.
        const auto id = static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p1)));
        return moduleMessage(id) ? host::action::Ok : host::action::Unknown;
    }
    default:
        return host::action::Unknown;
    }
}
