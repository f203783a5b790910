// What `flumpet info` shows: the object tree, the generators' parameters by symbol, counts.
#pragma once

#include "host/nodes.h"
#include "parameter_table.h"

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

/// The stable JSON form: {"objects": [...], "counts": {...}} (see docs/command-line.md). A
/// generator's parameters that hold no value are shown with their defaults from `described`
/// and named in its "defaulted" list.
nlohmann::json sceneInfoJson(scene::Engine& engine, const host::Document& doc, const SymbolLookup& symbols,
                             const IsGenerator& isGenerator, const std::vector<ParameterInfo>& described = {});

/// The same as an indented tree for people.
std::string sceneInfoText(scene::Engine& engine, const host::Document& doc, const SymbolLookup& symbols,
                          const IsGenerator& isGenerator, const std::vector<ParameterInfo>& described = {});

} // namespace flumpet::app
