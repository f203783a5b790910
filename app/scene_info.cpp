#include "scene_info.h"

#include "object_paths.h"
#include "scene/engine.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace flumpet::app {

using nlohmann::json;

namespace {

json linkJson(const host::Document& doc, host::NodeId id) {
    const host::Object o = doc.resolve(id);
    if (!o.alive()) return nullptr;
    if (o.isInstanceOf(host::type::AnyObject)) return objectPath(o);
    // A tag: the path of its object and the tag's name.
    const host::Tag tag(doc.host(), id);
    return objectPath(tag.object()) + "#" + escapeName(tag.name());
}

json valueJson(const host::Document& doc, const host::Value& value) {
    return std::visit(
        [&](const auto& v) -> json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return nullptr;
            } else if constexpr (std::is_same_v<T, double>) {
                // As the scene file writes them; null stays for dead links.
                if (std::isnan(v)) return "NaN";
                if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
                return v;
            } else if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, bool> || std::is_same_v<T, std::string>) {
                return v;
            } else if constexpr (std::is_same_v<T, host::Vector>) {
                return json::array({v.x, v.y, v.z});
            } else if constexpr (std::is_same_v<T, host::Matrix>) {
                return json::array({v.off.x, v.off.y, v.off.z, v.v1.x, v.v1.y, v.v1.z, v.v2.x, v.v2.y, v.v2.z, v.v3.x,
                                    v.v3.y, v.v3.z});
            } else if constexpr (std::is_same_v<T, host::Time>) {
                return json::array({v.numerator, v.denominator});
            } else if constexpr (std::is_same_v<T, host::Link>) {
                return linkJson(doc, v.id);
            } else if constexpr (std::is_same_v<T, host::InExcludeList>) {
                json a = json::array();
                for (host::NodeId id : v.ids()) a.push_back(linkJson(doc, id));
                return a;
            } else if constexpr (std::is_same_v<T, host::SplineCurve>) {
                json a = json::array();
                for (const auto& k : v.knots()) a.push_back(json::array({k.x, k.y}));
                return a;
            } else if constexpr (std::is_same_v<T, host::CustomData>) {
                return json{{"custom type", v.type}, {"bytes", v.bytes.size()}};
            } else {
                json o = json::object();
                if (v)
                    for (const auto& [id, sub] : v->values()) o[std::to_string(id)] = valueJson(doc, sub);
                return o;
            }
        },
        value);
}

void addParameters(json& entry, const host::Object& o, const host::Document& doc, const SymbolLookup& symbols,
                   const std::vector<ParameterInfo>& described) {
    json p = json::object();
    const host::Container data = o.data();
    auto key = [&](int32_t id) {
        const std::string symbol = symbols ? symbols(o.type(), id) : std::string{};
        return symbol.empty() ? std::to_string(id) : symbol;
    };
    for (const auto& [id, value] : data.values()) p[key(id)] = valueJson(doc, value);
    // What holds no value yet reads as its default; listing it shows which slots exist.
    json defaulted = json::array();
    for (const ParameterInfo& info : described) {
        if (info.type == host::datatype::Button || data.has(info.id) || p.contains(key(info.id))) continue;
        p[key(info.id)] = valueJson(doc, info.defaultValue);
        defaulted.push_back(key(info.id));
    }
    entry["parameters"] = std::move(p);
    if (!described.empty()) entry["defaulted"] = std::move(defaulted);
}

} // namespace

json sceneInfoJson(scene::Engine& engine, const host::Document& doc, const SymbolLookup& symbols,
                   const IsGenerator& isGenerator, const std::vector<ParameterInfo>& described) {
    json objects = json::array();
    std::map<int32_t, int> counts;
    for (const host::Object& o : allObjects(doc)) {
        json entry;
        entry["path"] = objectPath(o);
        entry["name"] = o.name();
        entry["type"] = o.type();
        const host::Object parent = o.parent();
        entry["parent"] = parent.alive() ? json(objectPath(parent)) : json(nullptr);
        json tags = json::array();
        for (const host::Tag& t : o.tags()) {
            tags.push_back({{"type", t.type()}, {"name", t.name()}});
            ++counts[t.type()];
        }
        entry["tags"] = std::move(tags);
        if (isGenerator && isGenerator(o)) addParameters(entry, o, doc, symbols, described);
        objects.push_back(std::move(entry));
        ++counts[o.type()];
    }
    json countJson = json::object();
    for (const auto& [type, n] : counts) {
        const std::string name = engine.typeName(type);
        countJson[std::to_string(type)] = {{"name", name}, {"count", n}};
    }
    return {{"objects", std::move(objects)}, {"counts", std::move(countJson)}};
}

std::string sceneInfoText(scene::Engine& engine, const host::Document& doc, const SymbolLookup& symbols,
                          const IsGenerator& isGenerator, const std::vector<ParameterInfo>& described) {
    std::ostringstream out;
    const json info = sceneInfoJson(engine, doc, symbols, isGenerator, described);
    // The objects come in the same order as in the JSON form, whose parameters are reused.
    size_t index = 0;
    for (const host::Object& o : allObjects(doc)) {
        const json& entry = info["objects"][index++];
        int depth = 0;
        for (host::Object p = o.parent(); p.alive(); p = p.parent()) ++depth;
        const std::string indent(static_cast<size_t>(depth) * 2, ' ');
        // Escaped, so that a line break or a slash in a name cannot break the tree.
        out << indent << escapeName(o.name()) << "  (" << engine.typeName(o.type()) << ", " << o.type() << ")";
        const auto tags = o.tags();
        if (!tags.empty()) {
            out << "  tags:";
            for (const host::Tag& t : tags) out << " " << escapeName(t.name()) << " (" << t.type() << ")";
        }
        out << "\n";
        if (entry.contains("parameters")) {
            const json& defaulted = entry.contains("defaulted") ? entry["defaulted"] : json::array();
            for (const auto& [key, value] : entry["parameters"].items()) {
                out << indent << "    " << key << " = " << value.dump();
                if (std::find(defaulted.begin(), defaulted.end(), key) != defaulted.end()) out << "  (default)";
                out << "\n";
            }
        }
    }
    out << "\ncounts:\n";
    for (const auto& [type, entry] : info["counts"].items())
        out << "  " << entry["name"].get<std::string>() << " (" << type << "): " << entry["count"].get<int>() << "\n";
    return out.str();
}

} // namespace flumpet::app
