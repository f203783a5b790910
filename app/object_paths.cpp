#include "object_paths.h"

#include <cctype>
#include <cstdio>

namespace flumpet::app {

std::string escapeName(const std::string& name) {
    std::string out;
    for (const char c : name) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '/': out += "\\/"; break;
        case '#': out += "\\#"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += hex;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::vector<std::string> splitPath(const std::string& text, char separator) {
    std::vector<std::string> parts{std::string{}};
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == separator) {
            parts.emplace_back();
            continue;
        }
        if (c != '\\') {
            parts.back() += c;
            continue;
        }
        if (++i == text.size()) throw CommandError("\"" + text + "\": a backslash ends it (write \\\\ for one)");
        switch (text[i]) {
        case 'n': parts.back() += '\n'; break;
        case 'r': parts.back() += '\r'; break;
        case 't': parts.back() += '\t'; break;
        case 'x': {
            const std::string hex = i + 2 < text.size() ? text.substr(i + 1, 2) : std::string{};
            if (hex.size() != 2 || !std::isxdigit(static_cast<unsigned char>(hex[0])) ||
                !std::isxdigit(static_cast<unsigned char>(hex[1])))
                throw CommandError("\"" + text + "\": \\x needs two hex digits");
            parts.back() += static_cast<char>(std::stoi(hex, nullptr, 16));
            i += 2;
            break;
        }
        default: parts.back() += text[i]; // \/ \# \, \\ and any other character stand for themselves
        }
    }
    return parts;
}

std::string objectPath(const host::Object& object) {
    std::string path = escapeName(object.name());
    for (host::Object p = object.parent(); p.alive(); p = p.parent()) path = escapeName(p.name()) + "/" + path;
    return path;
}

namespace {
void collect(host::Object o, std::vector<host::Object>& out) {
    for (; o.alive(); o = o.next()) {
        out.push_back(o);
        collect(o.firstChild(), out);
    }
}

std::vector<std::string> namesFromTop(const host::Object& o) {
    std::vector<std::string> names;
    for (host::Object at = o; at.alive(); at = at.parent()) names.insert(names.begin(), at.name());
    return names;
}

std::string listPaths(const std::vector<host::Object>& objects) {
    std::string list;
    for (const host::Object& o : objects)
        list += (list.empty() ? "" : ", ") + objectPath(o) + " (#" + std::to_string(o.id()) + ")";
    return list;
}
} // namespace

std::vector<host::Object> allObjects(const host::Document& doc) {
    std::vector<host::Object> out;
    collect(doc.firstObject(), out);
    return out;
}

host::Object findObject(const host::Document& doc, const std::string& nameOrPath) {
    // "#12": the object of that id, the form that tells twins apart.
    if (nameOrPath.size() > 1 && nameOrPath[0] == '#' &&
        nameOrPath.find_first_not_of("0123456789", 1) == std::string::npos && nameOrPath.size() < 18) {
        const host::Node node = doc.resolve(std::stoull(nameOrPath.substr(1)));
        if (node.alive() && node.isInstanceOf(host::type::AnyObject)) return {node.host(), node.id()};
        throw CommandError("no object has the id " + nameOrPath);
    }
    const std::vector<std::string> wanted = splitPath(nameOrPath, '/');
    std::vector<host::Object> byPath, byName;
    for (const host::Object& o : allObjects(doc)) {
        if (namesFromTop(o) == wanted) byPath.push_back(o);
        if (wanted.size() == 1 && o.name() == wanted.front()) byName.push_back(o);
    }
    // A path wins over a plain name; either must name exactly one object.
    const std::vector<host::Object>& matches = byPath.empty() ? byName : byPath;
    if (matches.size() == 1) return matches.front();
    if (matches.empty()) throw CommandError("no object named \"" + nameOrPath + "\"");
    throw CommandError("\"" + nameOrPath + "\" names " + std::to_string(matches.size()) +
                       " objects: " + listPaths(matches) + "; name one by its #id");
}

} // namespace flumpet::app
