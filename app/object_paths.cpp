#include "object_paths.h"

namespace flumpet::app {

std::string objectPath(const host::Object& object) {
    std::string path = object.name();
    for (host::Object p = object.parent(); p.alive(); p = p.parent()) path = p.name() + "/" + path;
    return path;
}

namespace {
void collect(host::Object o, std::vector<host::Object>& out) {
    for (; o.alive(); o = o.next()) {
        out.push_back(o);
        collect(o.firstChild(), out);
    }
}
} // namespace

std::vector<host::Object> allObjects(const host::Document& doc) {
    std::vector<host::Object> out;
    collect(doc.firstObject(), out);
    return out;
}

namespace {
std::string listPaths(const std::vector<host::Object>& objects) {
    std::string list;
    for (const host::Object& o : objects) list += (list.empty() ? "" : ", ") + objectPath(o);
    return list;
}
} // namespace

host::Object findObject(const host::Document& doc, const std::string& nameOrPath) {
    std::vector<host::Object> byPath, byName;
    for (const host::Object& o : allObjects(doc)) {
        if (objectPath(o) == nameOrPath) byPath.push_back(o);
        if (o.name() == nameOrPath) byName.push_back(o);
    }
    // A path wins over a plain name; either must name exactly one object.
    const std::vector<host::Object>& matches = byPath.empty() ? byName : byPath;
    if (matches.size() == 1) return matches.front();
    if (matches.empty()) throw CommandError("no object named \"" + nameOrPath + "\"");
    throw CommandError("\"" + nameOrPath + "\" names " + std::to_string(matches.size()) +
                       " objects: " + listPaths(matches));
}

} // namespace flumpet::app
