// Placement: an object's matrix relative to its parent (local) or to the world (global), in
// scene units.
#include "scene/engine.h"

namespace flumpet::scene {

// --- Placement --------------------------------------------------------------------------------

Matrix Engine::globalOf(const Node* node) const {
    Matrix m = node->local;
    for (const Node* p = node->parent; p && p->isObject(); p = p->parent) m = p->local * m;
    return m;
}

Matrix Engine::globalMatrix(NodeId object) {
    Node* n = objectIn(object);
    return n ? globalOf(n) : Matrix{};
}

void Engine::setGlobalMatrix(NodeId object, const Matrix& m) {
    Node* n = objectIn(object);
    if (!n || !host::isFinite(m)) return;
    const Matrix parent = (n->parent && n->parent->isObject()) ? globalOf(n->parent) : Matrix{};
    n->local = host::inverse(parent) * m;
    markDirty(n, host::dirty::Matrix);
}

Matrix Engine::localMatrix(NodeId object) {
    Node* n = objectIn(object);
    return n ? n->local : Matrix{};
}

void Engine::setLocalMatrix(NodeId object, const Matrix& m) {
    Node* n = objectIn(object);
    if (!n || !host::isFinite(m)) return;
    n->local = m;
    markDirty(n, host::dirty::Matrix);
}

NodeId Engine::deformCache(NodeId object) { return geometry_->deformCache(object); }
} // namespace flumpet::scene
