// Small glTF files written by the tests: a skinned sheet whose seam vertices weld, and a chain
// of nodes nested to any depth.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace flumpet::test {

inline std::string base64(const std::vector<uint8_t>& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = (uint32_t{bytes[i]} << 16) | (i + 1 < bytes.size() ? uint32_t{bytes[i + 1]} << 8 : 0) |
                           (i + 2 < bytes.size() ? uint32_t{bytes[i + 2]} : 0);
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

/// Two triangles of one mesh meeting along an edge whose corners are stored twice: the first
/// triangle's corners weigh 1 on the first joint, the second's 1 on the second joint. The
/// joints are named as given (the same name twice makes twins).
inline void writeSkinnedSheet(const std::string& path, const std::string& first, const std::string& second) {
    std::vector<uint8_t> buffer;
    auto put = [&](const void* data, size_t size) {
        const auto* b = static_cast<const uint8_t*>(data);
        buffer.insert(buffer.end(), b, b + size);
    };
    const float positions[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    const uint8_t joints[6][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}};
    const float weights[6][4] = {{1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}};
    const uint16_t indices[6] = {0, 1, 2, 3, 5, 4};
    put(positions, sizeof positions);
    put(joints, sizeof joints);
    put(weights, sizeof weights);
    put(indices, sizeof indices);
    const float identity[2][16] = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
                                   {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1}};
    put(identity, sizeof identity);
    using nlohmann::json;
    const json gltf = {
        {"asset", {{"version", "2.0"}}},
        {"scene", 0},
        {"scenes", json::array({{{"nodes", {0, 1}}}})},
        {"nodes", json::array({{{"name", "Skin"}, {"mesh", 0}, {"skin", 0}},
                               {{"name", first}, {"children", {2}}},
                               {{"name", second}, {"translation", {0, 1, 0}}}})},
        {"skins", json::array({{{"joints", {1, 2}}, {"inverseBindMatrices", 4}}})},
        {"meshes", json::array({{{"name", "Sheet"},
                                 {"primitives", json::array({{{"attributes", {{"POSITION", 0}, {"JOINTS_0", 1}, {"WEIGHTS_0", 2}}},
                                                              {"indices", 3}}})}}})},
        {"buffers", json::array({{{"byteLength", buffer.size()},
                                  {"uri", "data:application/octet-stream;base64," + base64(buffer)}}})},
        {"bufferViews", json::array({{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", 72}},
                                     {{"buffer", 0}, {"byteOffset", 72}, {"byteLength", 24}},
                                     {{"buffer", 0}, {"byteOffset", 96}, {"byteLength", 96}},
                                     {{"buffer", 0}, {"byteOffset", 192}, {"byteLength", 12}},
                                     {{"buffer", 0}, {"byteOffset", 204}, {"byteLength", 128}}})},
        {"accessors", json::array({{{"bufferView", 0}, {"componentType", 5126}, {"count", 6}, {"type", "VEC3"},
                                    {"min", {0, 0, 0}}, {"max", {1, 1, 0}}},
                                   {{"bufferView", 1}, {"componentType", 5121}, {"count", 6}, {"type", "VEC4"}},
                                   {{"bufferView", 2}, {"componentType", 5126}, {"count", 6}, {"type", "VEC4"}},
                                   {{"bufferView", 3}, {"componentType", 5123}, {"count", 6}, {"type", "SCALAR"}},
                                   {{"bufferView", 4}, {"componentType", 5126}, {"count", 2}, {"type", "MAT4"}}})}};
    std::ofstream(path) << gltf.dump();
}

/// A chain of empty nodes, each the only child of the one before.
inline void writeNestedNodes(const std::string& path, int depth) {
    std::ofstream out(path);
    out << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[)";
    for (int i = 0; i < depth; ++i) {
        out << (i ? "," : "") << R"({"name":"N)" << i << '"';
        if (i + 1 < depth) out << R"(,"children":[)" << i + 1 << "]";
        out << "}";
    }
    out << "]}";
}

} // namespace flumpet::test
