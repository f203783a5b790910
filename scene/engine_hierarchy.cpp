// The hierarchy: where objects and tags sit, the primitives undo and the scene loader build on,
// node queries, insertion and removal, and tags.
#include "scene/engine.h"

#include "host/ids.h"

#include <algorithm>

namespace flumpet::scene {

namespace {

int dirtyIndex(int32_t flag) {
    switch (flag) {
    case host::dirty::Matrix: return 0;
    case host::dirty::Data: return 1;
    case host::dirty::Cache: return 2;
    default: return -1;
    }
}

} // namespace

// --- Hierarchy primitives -------------------------------------------------------------------

void Engine::markDirty(Node* node, int32_t dirtyFlag) {
    const int i = dirtyIndex(dirtyFlag);
    if (i >= 0) ++node->dirty.counters[static_cast<size_t>(i)];
}

Place Engine::placeOf(const Node* node) const {
    Place p;
    if (node->isTag()) {
        p.isTag = true;
        if (!node->owner) return p;
        p.parent = node->owner->id;
        const auto& tags = node->owner->tags;
        const auto it = std::find(tags.begin(), tags.end(), node);
        if (it != tags.begin() && it != tags.end()) p.previous = (*(it - 1))->id;
        return p;
    }
    if (!node->parent) return p;
    p.parent = node->parent->id;
    p.previous = node->prev ? node->prev->id : host::NoNode;
    return p;
}

void Engine::detach(Node* node) {
    if (node->isTag()) {
        if (Node* owner = node->owner) {
            auto& tags = owner->tags;
            tags.erase(std::remove(tags.begin(), tags.end(), node), tags.end());
            node->owner = nullptr;
            markDirty(owner, host::dirty::Data);
        }
        node->document = nullptr;
        return;
    }
    if (!node->isObject() || !node->parent) return;
    Node* parent = node->parent;
    (node->prev ? node->prev->next : parent->firstChild) = node->next;
    (node->next ? node->next->prev : parent->lastChild) = node->prev;
    node->parent = node->next = node->prev = nullptr;
    forEachInSubtree(node, [](Node* n) { n->document = nullptr; });
    markDirty(node, host::dirty::Matrix);
}

bool Engine::insertAt(Node* node, Node* parent, Node* previous) {
    if (!node->isObject() || node->parent || !parent) return false;
    if (parent->kind != NodeKind::Document && (!parent->isObject() || !parent->document)) return false;
    if (parent == node || (parent->isObject() && isAncestorOf(node->id, parent->id))) return false;
    if (previous && previous->parent != parent) return false;
    node->parent = parent;
    node->prev = previous;
    node->next = previous ? previous->next : parent->firstChild;
    (node->next ? node->next->prev : parent->lastChild) = node;
    (previous ? previous->next : parent->firstChild) = node;
    Node* doc = parent->kind == NodeKind::Document ? parent : parent->document;
    forEachInSubtree(node, [doc](Node* n) { n->document = doc; });
    markDirty(node, host::dirty::Matrix);
    return true;
}

bool Engine::attach(Node* node, const Place& place) {
    Node* parent = find(place.parent);
    if (!parent) return false;
    Node* previous = place.previous != host::NoNode ? find(place.previous) : nullptr;
    if (place.previous != host::NoNode && !previous) return false;
    if (place.isTag) {
        if (!node->isTag() || node->owner || !parent->isObject()) return false;
        auto& tags = parent->tags;
        auto at = tags.begin();
        if (previous) {
            at = std::find(tags.begin(), tags.end(), previous);
            if (at == tags.end()) return false;
            ++at;
        }
        tags.insert(at, node);
        node->owner = parent;
        node->document = parent->document;
        markDirty(parent, host::dirty::Data);
        return true;
    }
    return insertAt(node, parent, previous);
}

Subtree Engine::takeSubtree(Node* root) { return store_.take(root); }

bool Engine::restoreSubtree(Subtree& subtree) { return store_.restore(subtree); }

Subtree Engine::copySubtree(const Node* root) const {
    Subtree out;
    // Copies a node's own state; links between copies are rebuilt below.
    auto copyOne = [&](const Node* src) {
        auto n = std::make_unique<Node>();
        n->id = src->id;
        n->kind = src->kind;
        n->type = src->type;
        n->name = src->name;
        n->data = src->data;
        n->local = src->local;
        n->selectionStamp = src->selectionStamp;
        if (src->payload) n->payload = src->payload->clone();
        Node* raw = n.get();
        out.nodes.push_back(std::move(n));
        return raw;
    };
    auto copyTree = [&](auto& self, const Node* src) -> Node* {
        Node* dst = copyOne(src);
        for (const Node* t : src->tags) {
            Node* tag = copyOne(t);
            tag->owner = dst;
            dst->tags.push_back(tag);
        }
        for (const Node* c = src->firstChild; c; c = c->next) {
            Node* child = self(self, c);
            child->parent = dst;
            child->prev = dst->lastChild;
            (dst->lastChild ? dst->lastChild->next : dst->firstChild) = child;
            dst->lastChild = child;
        }
        return dst;
    };
    copyTree(copyTree, root);
    return out;
}

void Engine::destroySubtree(Node* root) { store_.destroy(root); }

// --- Node queries -----------------------------------------------------------------------------

int32_t Engine::typeOf(NodeId node) {
    Node* n = find(node);
    return n ? n->type : 0;
}

bool Engine::isInstanceOf(NodeId node, int32_t type) {
    Node* n = find(node);
    if (!n) return false;
    return n->type == type || (type == host::type::AnyObject && n->isObject());
}

std::string Engine::nameOf(NodeId node) {
    Node* n = find(node);
    return n ? n->name : std::string{};
}

void Engine::setName(NodeId node, const std::string& name) {
    if (Node* n = find(node)) {
        n->name = name;
        markDirty(n, host::dirty::Data);
    }
}

NodeId Engine::parentOf(NodeId object) {
    Node* n = objectIn(object);
    return (n && n->parent && n->parent->isObject()) ? n->parent->id : host::NoNode;
}

NodeId Engine::firstChild(NodeId object) {
    Node* n = objectIn(object);
    return (n && n->firstChild) ? n->firstChild->id : host::NoNode;
}

NodeId Engine::lastChild(NodeId object) {
    Node* n = objectIn(object);
    return (n && n->lastChild) ? n->lastChild->id : host::NoNode;
}

NodeId Engine::nextSibling(NodeId object) {
    Node* n = objectIn(object);
    return (n && n->next) ? n->next->id : host::NoNode;
}

NodeId Engine::previousSibling(NodeId object) {
    Node* n = objectIn(object);
    return (n && n->prev) ? n->prev->id : host::NoNode;
}

bool Engine::isAncestorOf(NodeId ancestor, NodeId node) {
    Node* n = objectIn(node);
    if (!n || ancestor == host::NoNode) return false;
    for (Node* p = n->parent; p && p->isObject(); p = p->parent)
        if (p->id == ancestor) return true;
    return false;
}

bool Engine::changedSinceLastCheck(NodeId node, int32_t dirtyFlag) {
    Node* n = find(node);
    const int i = dirtyIndex(dirtyFlag);
    if (!n || i < 0) return false;
    const auto k = static_cast<size_t>(i);
    const bool changed = n->dirty.counters[k] != n->dirty.lastChecked[k];
    n->dirty.lastChecked[k] = n->dirty.counters[k];
    return changed;
}

// --- Hierarchy --------------------------------------------------------------------------------

bool Engine::insertFirst(NodeId doc, NodeId object, NodeId parent) {
    Node* n = objectIn(object);
    Node* d = documentNode(doc);
    if (!n || !d || n->document) return false;
    Node* p = parent == host::NoNode ? d : objectIn(parent);
    if (!p || (p != d && p->document != d)) return false;
    return insertAt(n, p, nullptr);
}

bool Engine::insertLast(NodeId doc, NodeId object, NodeId parent) {
    Node* n = objectIn(object);
    Node* d = documentNode(doc);
    if (!n || !d || n->document) return false;
    Node* p = parent == host::NoNode ? d : objectIn(parent);
    if (!p || (p != d && p->document != d)) return false;
    return insertAt(n, p, p->lastChild);
}

bool Engine::insertBefore(NodeId object, NodeId next) {
    Node* n = objectIn(object);
    Node* at = objectIn(next);
    if (!n || !at || n->document || !at->document || !at->parent) return false;
    return insertAt(n, at->parent, at->prev);
}

bool Engine::remove(NodeId node) {
    Node* n = find(node);
    if (!n) return false;
    // Free objects are edited before insertion too (their tags stripped, children taken off),
    // so a place in a document is not required: a parent or an owner is.
    const bool placed = n->isTag() ? n->owner != nullptr : (n->isObject() && n->parent != nullptr);
    if (!placed) return false;
    detach(n);
    return true;
}

// --- Tags -------------------------------------------------------------------------------------

NodeId Engine::tagOf(NodeId object, int32_t tagType, int32_t n) {
    Node* o = objectIn(object);
    if (!o || n < 0) return host::NoNode;
    for (Node* t : o->tags)
        if (t->type == tagType && n-- == 0) return t->id;
    return host::NoNode;
}

std::vector<NodeId> Engine::tagsOf(NodeId object) {
    std::vector<NodeId> out;
    if (Node* o = objectIn(object))
        for (Node* t : o->tags) out.push_back(t->id);
    return out;
}

bool Engine::insertTag(NodeId object, NodeId tag, NodeId pred) {
    Node* o = objectIn(object);
    Node* t = find(tag);
    if (!o || !t || !t->isTag() || t->owner) return false;
    return attach(t, Place{object, pred, true});
}

NodeId Engine::tagObject(NodeId tag) {
    Node* t = find(tag);
    return (t && t->isTag() && t->owner) ? t->owner->id : host::NoNode;
}
} // namespace flumpet::scene
