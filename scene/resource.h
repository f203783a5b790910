// A module's resource folder: description resources (our JSON layout, see docs/resources.md),
// their string tables and the symbol header that gives every symbol its id.
#pragma once

#include "host/description.h"
#include "host/plugins.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace flumpet::scene {

/// A resource that cannot be read: the message names the file and the place in it.
class ResourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct DescriptionResource {
    std::string name;
    /// The description it builds on (its base type for help).
    std::string baseType;
    std::vector<host::Description::Entry> entries;
};

struct ModuleResource {
    std::map<std::string, DescriptionResource> descriptions;
};

/// Symbols and ids from a header of `inline constexpr int32_t SYMBOL = id;` lines.
std::map<std::string, int32_t> readSymbolHeader(const std::string& path);

/// Reads every description of `<moduleFolder>/resource/description` with its string table.
ModuleResource loadModuleResource(const std::string& moduleFolder);

/// The host's default properties of a description entry of a value type.
host::Container defaultDescriptionOf(int32_t valueType);

/// Decodes a TIFF image; null when it cannot be read.
std::shared_ptr<const host::Bitmap> loadBitmap(const std::string& path);

} // namespace flumpet::scene
