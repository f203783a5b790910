// Scene files: a whole document as JSON (see docs/scene-format.md).
#pragma once

#include "host/values.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace flumpet::scene {

class Engine;

/// Object hierarchies deeper than this (top-level objects at depth 0) are refused by the loader;
/// no character comes near it. Writers that cannot keep to it must refuse instead.
inline constexpr int MaxHierarchyDepth = 400;

/// A scene file that cannot be read: the message names the place in the file.
class SceneFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// The document as scene-file text. The same document always gives the same bytes.
std::string saveDocument(Engine& engine, host::NodeId doc);

/// Reads a document into the engine and returns its id; the ids in the file are kept unless
/// they are taken in the engine already, then every id is given anew (links follow).
/// Throws SceneFileError (nothing is added to the engine then).
host::NodeId loadDocument(Engine& engine, std::string_view text);

/// File helpers: errors name the path. Saving writes a temporary file and renames it, so an
/// existing file is never left half-written.
void saveDocumentFile(Engine& engine, host::NodeId doc, const std::string& path);
host::NodeId loadDocumentFile(Engine& engine, const std::string& path);

} // namespace flumpet::scene
