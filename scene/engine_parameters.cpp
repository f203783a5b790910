// Parameters: the node's container and the parameters the engine answers itself (name, relative
// position, rotation and scale).
#include "scene/engine.h"

#include "host/ids.h"

namespace flumpet::scene {

using host::DescID;
using host::Value;

namespace {
bool component(const Vector& v, int32_t which, double& out) {
    switch (which) {
    case host::param::VectorX: out = v.x; return true;
    case host::param::VectorY: out = v.y; return true;
    case host::param::VectorZ: out = v.z; return true;
    default: return false;
    }
}
bool setComponent(Vector& v, int32_t which, double value) {
    switch (which) {
    case host::param::VectorX: v.x = value; return true;
    case host::param::VectorY: v.y = value; return true;
    case host::param::VectorZ: v.z = value; return true;
    default: return false;
    }
}
} // namespace

// Relative position, rotation (heading, pitch, bank in radians) and scale are read from and
// written to the object's local matrix (parent frame, scene units).
bool Engine::getParameter(NodeId node, const DescID& id, Value& out) {
    Node* n = find(node);
    if (!n || id.depth() == 0) return false;
    const int32_t first = id.firstId();
    Value whole;
    if (first == host::param::Name) {
        whole = n->name;
    } else if (n->isObject() && first == host::param::RelativePosition) {
        whole = n->local.off;
    } else if (n->isObject() && first == host::param::RelativeRotation) {
        whole = host::hpbFromRotation(n->local);
    } else if (n->isObject() && first == host::param::RelativeScale) {
        whole = host::scaleOf(n->local);
    } else if (const Value* v = n->data.find(first)) {
        whole = *v;
    } else if (n->isObject() && first == host::param::GeneratorEnabled) {
        whole = true; // objects are enabled unless switched off
    } else {
        return false;
    }
    if (id.depth() == 1) {
        out = std::move(whole);
        return true;
    }
    if (id.depth() != 2) return false;
    // The second level addresses an entry of a sub-container or a component of a vector.
    if (const auto* sub = std::get_if<std::shared_ptr<const Container>>(&whole)) {
        const Value* entry = *sub ? (*sub)->find(id[1].id) : nullptr;
        if (!entry) return false;
        out = *entry;
        return true;
    }
    const auto* vec = std::get_if<Vector>(&whole);
    double c = 0.0;
    if (!vec || !component(*vec, id[1].id, c)) return false;
    out = c;
    return true;
}

bool Engine::setParameter(NodeId node, const DescID& id, const Value& value, int32_t) {
    Node* n = find(node);
    if (!n || id.depth() == 0 || id.depth() > 2) return false;
    const int32_t first = id.firstId();
    Value whole = value;
    if (id.depth() == 2) {
        Value current;
        const bool present = getParameter(node, DescID(first), current);
        if (const auto* sub = std::get_if<std::shared_ptr<const Container>>(&current); sub || !present) {
            // An entry of a sub-container, which is made when the parameter holds nothing.
            Container inner = (sub && *sub) ? **sub : Container{};
            inner.set(id[1].id, value);
            whole = std::make_shared<const Container>(std::move(inner));
        } else {
            const auto* c = std::get_if<double>(&value);
            auto* vec = std::get_if<Vector>(&current);
            if (!c || !vec || !setComponent(*vec, id[1].id, *c)) return false;
            whole = *vec;
        }
    }
    if (first == host::param::Name) {
        const auto* s = std::get_if<std::string>(&whole);
        if (!s) return false;
        setName(node, *s);
        return true;
    }
    if (n->isObject() && (first == host::param::RelativePosition || first == host::param::RelativeRotation ||
                          first == host::param::RelativeScale)) {
        const auto* v = std::get_if<Vector>(&whole);
        if (!v || !host::isFinite(*v)) return false;
        Matrix m = n->local;
        if (first == host::param::RelativePosition) {
            m.off = *v;
        } else {
            const Vector scale = first == host::param::RelativeScale ? *v : host::scaleOf(m);
            const Matrix rotation = first == host::param::RelativeRotation ? host::rotationFromHpb(*v)
                                                                           : Matrix{{}, host::normalise(m.v1),
                                                                                    host::normalise(m.v2),
                                                                                    host::normalise(m.v3)};
            m.v1 = rotation.v1 * scale.x;
            m.v2 = rotation.v2 * scale.y;
            m.v3 = rotation.v3 * scale.z;
        }
        n->local = m;
        markDirty(n, host::dirty::Matrix);
        return true;
    }
    n->data.set(first, std::move(whole));
    markDirty(n, host::dirty::Data);
    return true;
}

Container Engine::dataOf(NodeId node) {
    Node* n = find(node);
    return n ? n->data : Container{};
}

void Engine::setDataOf(NodeId node, const Container& data) {
    if (Node* n = find(node)) {
        n->data = data;
        markDirty(n, host::dirty::Data);
    }
}
} // namespace flumpet::scene
