// Finding what a builder made: objects and tags of a type anywhere in a document.
#pragma once

#include "host/nodes.h"

#include <algorithm>
#include <string>
#include <vector>

namespace flumpet::test {

inline void collectObjects(host::Object o, std::vector<host::Object>& out) {
    for (; o.alive(); o = o.next()) {
        out.push_back(o);
        collectObjects(o.firstChild(), out);
    }
}

/// Every object of the document, depth first.
inline std::vector<host::Object> allObjects(const host::Document& doc) {
    std::vector<host::Object> out;
    collectObjects(doc.firstObject(), out);
    return out;
}

inline std::vector<host::Object> objectsOfType(const host::Document& doc, int32_t type) {
    std::vector<host::Object> out;
    for (const host::Object& o : allObjects(doc))
        if (o.type() == type) out.push_back(o);
    return out;
}

inline std::vector<host::Tag> tagsOfType(const host::Document& doc, int32_t type) {
    std::vector<host::Tag> out;
    for (const host::Object& o : allObjects(doc))
        for (const host::Tag& t : o.tags())
            if (t.type() == type) out.push_back(t);
    return out;
}

/// The names of the objects that carry a tag of the type, sorted.
inline std::vector<std::string> taggedNames(const host::Document& doc, int32_t type) {
    std::vector<std::string> out;
    for (const host::Tag& t : tagsOfType(doc, type))
        out.push_back(t.object().name());
    std::sort(out.begin(), out.end());
    return out;
}

inline std::vector<host::Object> childrenOf(const host::Object& parent) {
    std::vector<host::Object> out;
    for (host::Object c = parent.firstChild(); c.alive(); c = c.next())
        out.push_back(c);
    return out;
}

inline std::vector<std::string> namesOf(const std::vector<host::Object>& objects) {
    std::vector<std::string> out;
    for (const host::Object& o : objects)
        out.push_back(o.name());
    return out;
}

/// The object a link parameter names, or empty.
inline host::Object linkedObject(const host::Node& node, int32_t param) {
    return {node.host(), node.data().getLinkId(param)};
}

} // namespace flumpet::test
