#include "scene_info.h"

#include "object_paths.h"
#include "scene/engine.h"

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
    return objectPath(tag.object()) + "#" + tag.name();
}

json valueJson(const host::Document& doc, const host::Value& value) {
    return std::visit(
        [&](const auto& v) -> json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return nullptr;
            } else if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, bool> || std::is_same_v<T, std::string> ||
                                 std::is_same_v<T, double>) {
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
            } else {
                json o = json::object();
                if (v)
                    for (const auto& [id, sub] : v->values()) o[std::to_string(id)] = valueJson(doc, sub);
                return o;
            }
        },
        value);
}

json parametersJson(const host::Object& o, const host::Document& doc, const SymbolLookup& symbols) {
    json p = json::object();
    const host::Container data = o.data();
    for (const auto& [id, value] : data.values()) {
        const std::string symbol = symbols ? symbols(o.type(), id) : std::string{};
        p[symbol.empty() ? std::to_string(id) : symbol] = valueJson(doc, value);
    }
    return p;
}

} // namespace

json sceneInfoJson(scene::Engine& engine, const host::Document& doc, const SymbolLookup& symbols,
                   const IsGenerator& isGenerator) {
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
        if (isGenerator && isGenerator(o)) entry["parameters"] = parametersJson(o, doc, symbols);
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
                          const IsGenerator& isGenerator) {
    std::ostringstream out;
    const json info = sceneInfoJson(engine, doc, symbols, isGenerator);
    // The objects come in the same order as in the JSON form, whose parameters are reused.
    size_t index = 0;
    for (const host::Object& o : allObjects(doc)) {
        const json& entry = info["objects"][index++];
        int depth = 0;
        for (host::Object p = o.parent(); p.alive(); p = p.parent()) ++depth;
        const std::string indent(static_cast<size_t>(depth) * 2, ' ');
        out << indent << o.name() << "  (" << engine.typeName(o.type()) << ", " << o.type() << ")";
        const auto tags = o.tags();
        if (!tags.empty()) {
            out << "  tags:";
            for (const host::Tag& t : tags) out << " " << t.name() << " (" << t.type() << ")";
        }
        out << "\n";
        if (entry.contains("parameters"))
            for (const auto& [key, value] : entry["parameters"].items())
                out << indent << "    " << key << " = " << value.dump() << "\n";
    }
    out << "\ncounts:\n";
    for (const auto& [type, entry] : info["counts"].items())
        out << "  " << entry["name"].get<std::string>() << " (" << type << "): " << entry["count"].get<int>() << "\n";
    return out.str();
}

} // namespace flumpet::app
