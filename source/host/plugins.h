// Plug-ins: the base classes a plug-in node derives from, what a module registers, and the
// host's registry services.
#pragma once

#include "host/nodes.h"
#include "host/values.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace flumpet::host {

class Description;

/// What the host hands to the module entry's Initialise action as p1.
struct HostInfo {
    int32_t version = 0;
};

/// The module entry the host calls: action code and three pointer-sized values.
using ModuleEntry = int32_t (*)(int32_t action, void* p1, void* p2, void* p3);

/// Root of every plug-in class.
class BaseData {
  public:
    virtual ~BaseData() = default;
};

/// A plug-in node. The virtual operations are in the host's slot order.
class NodeData : public BaseData {
  public:
    /// Writes the initial values into a new node's container.
    virtual bool initialise(Node node);
    /// Answers a message sent to the node.
    virtual bool message(Node node, int32_t type, void* data);
    /// Fills the node's description; sets descflags::Loaded in flags when it did.
    virtual bool buildDescription(Node node, Description& description, int32_t& flags);
    /// Whether a parameter may be edited now.
    virtual bool describeEnabling(Node node, const DescID& id, const Value& value, int32_t flags,
                                  const Container* entryProperties);
};

/// A plug-in object (a generator, for instance).
class ObjectData : public NodeData {
  public:
    /// Called before the host re-evaluates the object.
    virtual void checkDirty(Object object, Document document);
};

/// Makes a new, zero-initialised instance of a plug-in class.
using ObjectAllocator = std::unique_ptr<ObjectData> (*)();

/// An image decoded by the host, RGBA, 8 bits a channel, rows top to bottom.
struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
};

struct ObjectPlugin {
    int32_t id = 0;
    std::string name;
    /// host::objectinfo flags.
    int32_t info = 0;
    ObjectAllocator allocator = nullptr;
    /// Name of the description resource.
    std::string description;
    std::shared_ptr<const Bitmap> icon;
    int32_t diskLevel = 0;
};

/// Help on a parameter: the object's description type symbol, its base type, the symbol of the
/// parameter's group and the parameter's symbol (decimal id when it has none). True when the
/// help was handled.
using HelpCallback = bool (*)(const std::string& objectType, const std::string& baseType,
                              const std::string& group, const std::string& parameter);

class PluginServices {
  public:
    virtual ~PluginServices() = default;
    /// False when the host refuses (another callback holds the id, for instance).
    virtual bool registerHelp(int32_t pluginId, HelpCallback callback) = 0;
    virtual bool registerObject(const ObjectPlugin& plugin) = 0;
    /// Loads the module's resource (string tables and descriptions); true when it is available.
    virtual bool loadResource() = 0;
    virtual void releaseResource() = 0;
    /// An icon from the module's resource folder at a pixel ratio; null when it cannot be read.
    virtual std::shared_ptr<const Bitmap> loadIcon(const std::string& file, double pixelRatio) = 0;
    /// Fills a description with the resource description of a registered plug-in.
    virtual bool loadDescription(int32_t pluginId, Description& into) = 0;
    /// The host's default description properties for a value type (host::datatype).
    virtual Container defaultDescription(int32_t valueType) = 0;
};

} // namespace flumpet::host
