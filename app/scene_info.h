// What `flumpet info` shows: the object tree, the generators' parameters by symbol, counts.
#pragma once

#include "host/nodes.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace flumpet::scene {
class Engine;
}

namespace flumpet::app {

/// The symbol of a generator parameter ("CMD_CREATE"), empty when it has none.
using SymbolLookup = std::function<std::string(int32_t objectType, int32_t paramId)>;

/// True for objects whose parameters are listed by symbol (the generators).
using IsGenerator = std::function<bool(const host::Object&)>;

/// The stable JSON form: {"objects": [...], "counts": {...}} (see docs/command-line.md).
nlohmann::json sceneInfoJson(scene::Engine& engine, const host::Document& doc, const SymbolLookup& symbols,
                             const IsGenerator& isGenerator);

/// The same as an indented tree for people.
std::string sceneInfoText(scene::Engine& engine, const host::Document& doc, const SymbolLookup& symbols,
                          const IsGenerator& isGenerator);

} // namespace flumpet::app
