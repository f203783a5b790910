#include "scene/payload_codec.h"

#include "scene/scene_file.h"

namespace flumpet::scene {

nlohmann::json savePayload(const Node&) { return nlohmann::json::object(); }

void loadPayload(Node& node, const nlohmann::json&, const std::string& path) {
    throw SceneFileError(path + ": nodes of type " + std::to_string(node.type) + " carry no payload");
}

} // namespace flumpet::scene
