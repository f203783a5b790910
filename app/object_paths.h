// Naming objects on the command line: by name, or by path (names joined by "/").
#pragma once

#include "host/nodes.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace flumpet::app {

/// A user-facing error: one clear line, the command exits non-zero.
class CommandError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Names of the object and its parents joined by "/", from the top level down.
std::string objectPath(const host::Object& object);

/// Every object of the document in hierarchy order.
std::vector<host::Object> allObjects(const host::Document& doc);

/// The object named by a path ("Root/Spine") or a plain name anywhere in the document. Throws
/// CommandError when nothing matches, or when a name matches several objects (listing them).
host::Object findObject(const host::Document& doc, const std::string& nameOrPath);

} // namespace flumpet::app
