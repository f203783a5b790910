// Scene-file form of node payloads (meshes, splines, weights ...).
#pragma once

#include "scene/node.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace flumpet::scene {

/// Arrays with more values than this are written encoded (compressed, base64); smaller ones
/// stay plain JSON numbers, so small scenes stay readable and diffable.
inline constexpr size_t PlainArrayLimit = 1024;

/// The payload of a node as JSON; the node must have one. Encoded arrays go to `blobs` and the
/// JSON holds a placeholder for each (see blob_text.h).
nlohmann::json savePayload(const Node& node, std::vector<std::string>& blobs);

/// Reads a payload for the node from JSON; an encoded array's text is either in the JSON or,
/// for a placeholder, in `blobs`. Throws SceneFileError naming path on bad input.
void loadPayload(Node& node, const nlohmann::json& json, const std::string& path,
                 const std::vector<std::string_view>& blobs);

} // namespace flumpet::scene
