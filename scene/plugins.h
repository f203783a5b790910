// The embedded host's plug-in registry: object plug-ins and help callbacks that a module
// registers, the module's resource, and plug-in nodes (each carries its module instance).
#pragma once

#include "host/description.h"
#include "host/plugins.h"
#include "scene/node.h"
#include "scene/resource.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace flumpet::scene {

class Engine;

/// Payload of a plug-in node: the module's instance. A copy of the node gets a new instance from
/// the allocator, as the instance keeps no state of its own; nothing of it goes into scene files.
class PluginInstance : public Payload {
  public:
    explicit PluginInstance(host::ObjectAllocator allocator);
    std::unique_ptr<Payload> clone() const override;
    bool savedInSceneFile() const override { return false; }
    /// Shared so that a call into the instance keeps it alive even if the node goes meanwhile.
    const std::shared_ptr<host::ObjectData>& instance() const { return instance_; }

  private:
    host::ObjectAllocator allocator_;
    std::shared_ptr<host::ObjectData> instance_;
};

class PluginRegistry : public host::PluginServices {
  public:
    explicit PluginRegistry(Engine& engine);

    bool registerHelp(int32_t pluginId, host::HelpCallback callback) override;
    bool registerObject(const host::ObjectPlugin& plugin) override;
    bool loadResource() override;
    void releaseResource() override;
    std::shared_ptr<const host::Bitmap> loadIcon(const std::string& file, double pixelRatio) override;
    bool loadDescription(int32_t pluginId, host::Description& into) override;
    host::Container defaultDescription(int32_t valueType) override { return defaultDescriptionOf(valueType); }

    // --- Engine side -------------------------------------------------------------------------
    /// The folder that holds the module's resource/ folder (and the symbol header it names).
    void setModuleFolder(std::string folder) { moduleFolder_ = std::move(folder); }
    const std::string& moduleFolder() const { return moduleFolder_; }
    bool resourceLoaded() const { return resource_.has_value(); }
    /// The registration of an object plug-in type; null for other types.
    const host::ObjectPlugin* objectPlugin(int32_t type) const;
    /// A new instance payload for a node of a plug-in type; null for other types.
    std::unique_ptr<Payload> newInstance(int32_t type) const;
    /// The instance behind a plug-in node; null for other nodes.
    static std::shared_ptr<host::ObjectData> instanceOf(const Node* node);
    /// Builds a plug-in node's description as the attribute editor asks for it (all entries, or
    /// the one identifier `single`). False when the node has no description.
    bool describe(NodeId node, const host::DescID* single, host::Description& out, int32_t& flags);
    /// Help on a parameter of a node, as the attribute editor asks: true when the plug-in's
    /// callback handled it.
    bool help(NodeId node, const host::DescID& parameter);
    /// Why the last registration, resource or description request failed.
    const std::string& lastError() const { return lastError_; }

  private:
    bool fail(std::string why);

    Engine& engine_;
    std::string moduleFolder_;
    std::map<int32_t, host::ObjectPlugin> objects_;
    std::map<int32_t, host::HelpCallback> help_;
    std::optional<ModuleResource> resource_;
    std::string lastError_;
};

} // namespace flumpet::scene
