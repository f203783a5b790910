#include "scene/plugins.h"

#include "host/ids.h"
#include "scene/engine.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#ifndef FLUMPET_MODULE_DIR
#error "FLUMPET_MODULE_DIR must be set by the build"
#endif

namespace flumpet::scene {

PluginInstance::PluginInstance(host::ObjectAllocator allocator)
    : allocator_(allocator), instance_(allocator ? allocator() : nullptr) {}

std::unique_ptr<Payload> PluginInstance::clone() const {
    return std::make_unique<PluginInstance>(allocator_);
}

PluginRegistry::PluginRegistry(Engine& engine) : engine_(engine), moduleFolder_(FLUMPET_MODULE_DIR) {}

bool PluginRegistry::fail(std::string why) {
    lastError_ = std::move(why);
    return false;
}

bool PluginRegistry::registerHelp(int32_t pluginId, host::HelpCallback callback) {
    if (!callback) return fail("help callback for " + std::to_string(pluginId) + " is empty");
    if (help_.count(pluginId))
        return fail("a help callback for " + std::to_string(pluginId) + " is registered already");
    help_.emplace(pluginId, callback);
    return true;
}

bool PluginRegistry::registerObject(const host::ObjectPlugin& plugin) {
    const std::string id = std::to_string(plugin.id);
    if (!plugin.allocator) return fail("object plug-in " + id + " has no allocator");
    if (plugin.name.empty()) return fail("object plug-in " + id + " has no name");
    if (objects_.count(plugin.id) || engine_.knowsType(plugin.id, NodeKind::Object) ||
        engine_.knowsType(plugin.id, NodeKind::Tag))
        return fail("type " + id + " is registered already");
    if (!resource_ || !resource_->descriptions.count(plugin.description))
        return fail("object plug-in " + id + ": description \"" + plugin.description +
                    "\" is not in the resource");
    objects_.emplace(plugin.id, plugin);
    engine_.registerType(plugin.id, NodeKind::Object, plugin.name);
    return true;
}

bool PluginRegistry::loadResource() {
    if (resource_) return true;
    try {
        resource_ = loadModuleResource(moduleFolder_);
        return true;
    } catch (const ResourceError& e) {
        return fail(e.what());
    }
}

void PluginRegistry::releaseResource() {
    resource_.reset();
}

std::shared_ptr<const host::Bitmap> PluginRegistry::loadIcon(const std::string& file, double pixelRatio) {
    if (!(pixelRatio > 0.0)) {
        fail("icon " + file + ": pixel ratio must be positive");
        return nullptr;
    }
    const std::string path = (std::filesystem::path(moduleFolder_) / "resource" / file).string();
    auto bitmap = loadBitmap(path);
    if (!bitmap) fail(path + ": not a readable TIFF image");
    return bitmap;
}

bool PluginRegistry::loadDescription(int32_t pluginId, host::Description& into) {
    const host::ObjectPlugin* plugin = objectPlugin(pluginId);
    if (!plugin) return fail("no object plug-in " + std::to_string(pluginId));
    if (!resource_) return fail("the module's resource is not loaded");
    const auto it = resource_->descriptions.find(plugin->description);
    if (it == resource_->descriptions.end()) return fail("no description \"" + plugin->description + "\"");
    for (const auto& e : it->second.entries)
        into.set(e.id, e.properties, e.parent, e.symbol);
    return true;
}

const host::ObjectPlugin* PluginRegistry::objectPlugin(int32_t type) const {
    const auto it = objects_.find(type);
    return it == objects_.end() ? nullptr : &it->second;
}

std::unique_ptr<Payload> PluginRegistry::newInstance(int32_t type) const {
    const host::ObjectPlugin* plugin = objectPlugin(type);
    if (!plugin) return nullptr;
    return std::make_unique<PluginInstance>(plugin->allocator);
}

std::shared_ptr<host::ObjectData> PluginRegistry::instanceOf(const Node* node) {
    const auto* p = node ? dynamic_cast<const PluginInstance*>(node->payload.get()) : nullptr;
    return p ? p->instance() : nullptr;
}

bool PluginRegistry::describe(NodeId node, const host::DescID* single, host::Description& out,
                              int32_t& flags) {
    const std::shared_ptr<host::ObjectData> instance = instanceOf(engine_.find(node));
    if (!instance) return fail("node " + std::to_string(node) + " is no plug-in node");
    out = single ? host::Description(*single) : host::Description();
    return instance->buildDescription(host::Node(&engine_, node), out, flags);
}

bool PluginRegistry::help(NodeId node, const host::DescID& parameter) {
    const Node* n = engine_.find(node);
    const host::ObjectPlugin* plugin = n ? objectPlugin(n->type) : nullptr;
    if (!plugin) return false;
    const auto callback = help_.find(plugin->id);
    if (callback == help_.end()) return false;
    host::Description description;
    int32_t flags = 0;
    if (!describe(node, nullptr, description, flags)) return false;
    const host::Description::Entry* entry = description.find(parameter);
    if (!entry) return false;
    // Entries added at run time have no symbol; the host names them by their id.
    auto symbolOf = [&](const host::Description::Entry& e) {
        return e.symbol.empty() ? std::to_string(e.id.firstId()) : e.symbol;
    };
    std::string group;
    if (entry->parent.depth() > 0) {
        const host::Description::Entry* parent = description.find(entry->parent);
        group = parent ? symbolOf(*parent) : std::to_string(entry->parent.firstId());
    }
    std::string type = plugin->description;
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::toupper(c); });
    std::string base;
    if (resource_)
        if (const auto it = resource_->descriptions.find(plugin->description);
            it != resource_->descriptions.end())
            base = it->second.baseType;
    return callback->second(type, base, group, symbolOf(*entry));
}

} // namespace flumpet::scene
