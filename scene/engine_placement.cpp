// Placement: an object's matrix relative to its parent (local) or to the world (global), in
// scene units.
#include "scene/engine.h"

namespace flumpet::scene {

// --- Placement --------------------------------------------------------------------------------

// World matrix: the parents' local matrices applied from the top down.
Matrix Engine::globalOf(const Node* node) const {
    Matrix m = node->local;
    for (const Node* p = node->parent; p && p->isObject(); p = p->parent) m = p->local * m;
    return m;
}

// World frame, scene units.
Matrix Engine::globalMatrix(NodeId object) {
    Node* n = objectIn(object);
    return n ? globalOf(n) : Matrix{};
}

// m in the world frame; stored relative to the parent (a parent whose matrix cannot be inverted
// counts as the identity).
void Engine::setGlobalMatrix(NodeId object, const Matrix& m) {
    Node* n = objectIn(object);
    if (!n || !host::isFinite(m)) return;
    const Matrix parent = (n->parent && n->parent->isObject()) ? globalOf(n->parent) : Matrix{};
    n->local = host::inverse(parent) * m;
    markDirty(n, host::dirty::Matrix);
}

// Parent frame (the world at the top level), scene units.
Matrix Engine::localMatrix(NodeId object) {
    Node* n = objectIn(object);
    return n ? n->local : Matrix{};
}

// m in the parent frame; a matrix that is not finite is refused.
void Engine::setLocalMatrix(NodeId object, const Matrix& m) {
    Node* n = objectIn(object);
    if (!n || !host::isFinite(m)) return;
    n->local = m;
    markDirty(n, host::dirty::Matrix);
}

// The deformed mesh as a free polygon object placed at the object's world matrix.
NodeId Engine::deformCache(NodeId object) { return geometry_->deformCache(object); }
} // namespace flumpet::scene
