// Scene-file form of node payloads (meshes, splines, weights ...).
#pragma once

#include "scene/node.h"

#include <nlohmann/json.hpp>

#include <string>

namespace flumpet::scene {

/// The payload of a node as JSON; the node must have one.
nlohmann::json savePayload(const Node& node);

/// Reads a payload for the node from JSON; throws SceneFileError naming path on bad input.
void loadPayload(Node& node, const nlohmann::json& json, const std::string& path);

} // namespace flumpet::scene
