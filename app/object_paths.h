// Naming objects on the command line: by name, by path (names joined by "/"), or by id ("#12").
// In paths a name's "/", "#" and "\" are escaped with a backslash, and so are control
// characters (\n, \t, \xHH), so every object has one unambiguous printable form.
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

/// A name as paths and printed lists show it: "/", "#", "\\" and control characters escaped.
std::string escapeName(const std::string& name);

/// Splits text at unescaped separators and undoes the escapes of each part. Throws
/// CommandError on a broken escape.
std::vector<std::string> splitPath(const std::string& text, char separator);

/// Escaped names of the object and its parents joined by "/", from the top level down.
std::string objectPath(const host::Object& object);

/// Every object of the document in hierarchy order.
std::vector<host::Object> allObjects(const host::Document& doc);

/// The object named by "#id", a path ("Root/Spine") or a plain name anywhere in the document.
/// Throws CommandError when nothing matches, or when a name matches several objects (listing
/// their paths and ids).
host::Object findObject(const host::Document& doc, const std::string& nameOrPath);

} // namespace flumpet::app
