#include "scene/engine.h"

#include "host/ids.h"
#include "host/messages.h"
#include "scene/expressions.h"
#include "scene/geometry/payloads.h"
#include "scene/primitives.h"

#include <algorithm>

namespace flumpet::scene {

using host::DescID;
using host::Value;
namespace ids = host;

namespace {

constexpr int32_t DocumentType = 0;

int dirtyIndex(int32_t flag) {
    switch (flag) {
    case host::dirty::Matrix: return 0;
    case host::dirty::Data: return 1;
    case host::dirty::Cache: return 2;
    default: return -1;
    }
}

} // namespace

Engine::Engine() : geometry_(std::make_unique<GeometryService>(*this)) {
    const std::pair<int32_t, const char*> objects[] = {
        {host::type::Polygon, "Polygon"},
        {host::type::Spline, "Spline"},
        {host::type::Null, "Null"},
        {host::type::Cube, "Cube"},
        {host::type::Sphere, "Sphere"},
        {host::type::Cone, "Cone"},
        {host::type::Cylinder, "Cylinder"},
        {host::type::SubdivisionSurface, "Subdivision Surface"},
        {host::type::Tracer, "Tracer"},
        {host::type::Joint, "Joint"},
        {host::type::Spring, "Spring"},
        {host::type::Connector, "Connector"},
    };
    for (const auto& [t, n] : objects) registerType(t, NodeKind::Object, n);
    const std::pair<int32_t, const char*> tags[] = {
        {host::tagtype::Phong, "Phong"},
        {host::tagtype::Texture, "Texture"},
        {host::tagtype::Protection, "Protection"},
        {host::tagtype::Constraint, "Constraint"},
        {host::tagtype::Weight, "Weight"},
        {host::tagtype::SkinBinding, "Skin Binding"},
        {host::tagtype::DynamicsBody, "Dynamics Body"},
    };
    for (const auto& [t, n] : tags) registerType(t, NodeKind::Tag, n);
    registerType(host::hook::DynamicsSettings, NodeKind::Hook, "Dynamics Settings");
}

Engine::~Engine() { unloadModule(); }

void Engine::registerType(int32_t type, NodeKind kind, std::string defaultName) {
    types_[type] = TypeInfo{kind, std::move(defaultName)};
}

void Engine::fail(std::string message) { lastError_ = std::move(message); }

Node* Engine::find(NodeId id) const {
    const auto it = nodes_.find(id);
    return it == nodes_.end() ? nullptr : it->second.get();
}

Node* Engine::objectIn(NodeId id) const {
    Node* n = find(id);
    return (n && n->isObject()) ? n : nullptr;
}

Node* Engine::documentNode(NodeId doc) const {
    Node* n = find(doc);
    return (n && n->kind == NodeKind::Document) ? n : nullptr;
}

Engine::DocumentState* Engine::stateOf(NodeId doc) {
    const auto it = documents_.find(doc);
    return it == documents_.end() ? nullptr : &it->second;
}

void Engine::reserveIdsBelow(NodeId id) { nextId_ = std::max(nextId_, id); }

bool Engine::renumber(const std::vector<std::pair<NodeId, NodeId>>& renames) {
    std::unordered_map<NodeId, NodeId> byOld;
    for (const auto& [from, to] : renames) byOld.emplace(from, to);
    for (const auto& [from, to] : renames) {
        if (to == host::NoNode) return false;
        if (nodes_.count(to) && !byOld.count(to)) return false;
    }
    std::vector<std::unique_ptr<Node>> moving;
    for (const auto& [from, to] : renames) {
        auto it = nodes_.find(from);
        if (it == nodes_.end()) continue;
        moving.push_back(std::move(it->second));
        nodes_.erase(it);
    }
    for (auto& n : moving) {
        const NodeId from = n->id;
        n->id = byOld.at(from);
        reserveIdsBelow(n->id + 1);
        if (n->kind == NodeKind::Document) {
            // The document's own state moves with it.
            auto state = documents_.extract(from);
            state.key() = n->id;
            documents_.insert(std::move(state));
            if (activeDocument_ == from) activeDocument_ = n->id;
        }
        const NodeId id = n->id;
        nodes_.emplace(id, std::move(n));
    }
    return true;
}

void Engine::discardNodes(const std::vector<NodeId>& ids) {
    for (NodeId id : ids) nodes_.erase(id);
}

bool Engine::knowsType(int32_t type, NodeKind kind) const {
    const auto it = types_.find(type);
    return it != types_.end() && it->second.kind == kind;
}

std::string Engine::typeName(int32_t type) const {
    const auto it = types_.find(type);
    return it == types_.end() ? std::string{} : it->second.defaultName;
}

Node* Engine::createNode(NodeKind kind, int32_t type) {
    auto n = std::make_unique<Node>();
    n->id = nextId_++;
    n->kind = kind;
    n->type = type;
    if (const auto it = types_.find(type); it != types_.end()) n->name = it->second.defaultName;
    // A plug-in node always carries its module instance, however it was made (new, read, copied).
    if (kind == NodeKind::Object) n->payload = plugins_.newInstance(type);
    if (!n->payload) n->payload = makeGeometryPayload(kind, type);
    Node* raw = n.get();
    nodes_.emplace(raw->id, std::move(n));
    return raw;
}

NodeId Engine::newDocument() {
    Node* doc = createNode(NodeKind::Document, DocumentType);
    doc->name = "Untitled";
    doc->data.setTime(host::docparam::Time, host::Time{0, 1});
    doc->data.setInt(host::docparam::FrameRate, 30);
    doc->data.setInt(host::docparam::ModelingState, 0);
    doc->document = doc;
    DocumentState& state = documents_[doc->id];
    Node* hook = createNode(NodeKind::Hook, host::hook::DynamicsSettings);
    hook->document = doc;
    state.hooks.push_back(hook);
    if (activeDocument_ == host::NoNode) activeDocument_ = doc->id;
    return doc->id;
}

void Engine::setActiveDocument(NodeId doc) {
    if (documentNode(doc)) activeDocument_ = doc;
}

bool Engine::closeDocument(NodeId doc) {
    Node* d = documentNode(doc);
    if (!d) return false;
    while (Node* c = d->firstChild) {
        detach(c);
        destroySubtree(c);
    }
    for (Node* hook : documents_[doc].hooks) nodes_.erase(hook->id);
    documents_.erase(doc);
    nodes_.erase(doc);
    if (activeDocument_ == doc) activeDocument_ = documents_.empty() ? host::NoNode : documents_.begin()->first;
    return true;
}

std::vector<NodeId> Engine::documents() const {
    std::vector<NodeId> out;
    for (const auto& [id, _] : documents_) out.push_back(id);
    std::sort(out.begin(), out.end());
    return out;
}

std::map<int32_t, Container>& Engine::settingsOf(NodeId doc) { return documents_[doc].settings; }

std::vector<Node*> Engine::hooksOf(NodeId doc) const {
    const auto it = documents_.find(doc);
    return it == documents_.end() ? std::vector<Node*>{} : it->second.hooks;
}

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

Subtree Engine::takeSubtree(Node* root) {
    Subtree out;
    forEachInSubtree(root, [&](Node* n) {
        auto it = nodes_.find(n->id);
        if (it != nodes_.end()) {
            out.nodes.push_back(std::move(it->second));
            nodes_.erase(it);
        }
    });
    return out;
}

bool Engine::restoreSubtree(Subtree subtree) {
    for (const auto& n : subtree.nodes)
        if (nodes_.count(n->id)) return false;
    for (auto& n : subtree.nodes) {
        const NodeId id = n->id;
        nodes_.emplace(id, std::move(n));
    }
    return true;
}

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

void Engine::destroySubtree(Node* root) {
    std::vector<NodeId> ids;
    forEachInSubtree(root, [&](Node* n) { ids.push_back(n->id); });
    for (NodeId id : ids) nodes_.erase(id);
}

// --- Documents --------------------------------------------------------------------------------

NodeId Engine::documentOf(NodeId node) {
    Node* n = find(node);
    return (n && n->document) ? n->document->id : host::NoNode;
}

NodeId Engine::firstObject(NodeId doc) {
    Node* d = documentNode(doc);
    return (d && d->firstChild) ? d->firstChild->id : host::NoNode;
}

namespace {
template <typename Fn> void walkObjects(Node* first, Fn&& fn) {
    for (Node* n = first; n; n = n->next) {
        fn(n);
        walkObjects(n->firstChild, fn);
    }
}
bool hasSelectedAncestor(const Node* n) {
    for (const Node* p = n->parent; p && p->isObject(); p = p->parent)
        if (p->selectionStamp) return true;
    return false;
}
} // namespace

NodeId Engine::activeObject(NodeId doc) {
    Node* d = documentNode(doc);
    if (!d) return host::NoNode;
    Node* best = nullptr;
    walkObjects(d->firstChild, [&](Node* n) {
        if (n->selectionStamp && (!best || n->selectionStamp > best->selectionStamp)) best = n;
    });
    return best ? best->id : host::NoNode;
}

std::vector<NodeId> Engine::activeObjects(NodeId doc, int32_t flags) {
    std::vector<Node*> picked;
    Node* d = documentNode(doc);
    if (!d) return {};
    walkObjects(d->firstChild, [&](Node* n) {
        if (!n->selectionStamp) return;
        // Without the children flag a selected object hides its selected descendants.
        if (!(flags & host::selection::Children) && hasSelectedAncestor(n)) return;
        picked.push_back(n);
    });
    if (flags & host::selection::SelectionOrder)
        std::stable_sort(picked.begin(), picked.end(),
                         [](const Node* a, const Node* b) { return a->selectionStamp < b->selectionStamp; });
    std::vector<NodeId> out;
    out.reserve(picked.size());
    for (Node* n : picked) out.push_back(n->id);
    return out;
}

void Engine::setSelected(NodeId object, bool selected) {
    Node* n = objectIn(object);
    if (!n) return;
    if (!selected)
        n->selectionStamp = 0;
    else if (!n->selectionStamp)
        n->selectionStamp = nextSelectionStamp();
}

bool Engine::isSelected(NodeId object) {
    Node* n = objectIn(object);
    return n && n->selectionStamp != 0;
}

bool Engine::startUndo(NodeId doc) {
    DocumentState* s = stateOf(doc);
    if (!s) return false;
    s->history.start();
    return true;
}

bool Engine::endUndo(NodeId doc) {
    DocumentState* s = stateOf(doc);
    return s && s->history.end();
}

bool Engine::addUndo(NodeId doc, int32_t kind, NodeId node) {
    DocumentState* s = stateOf(doc);
    if (!s) {
        fail("undo record in a document that does not exist");
        return false;
    }
    Node* n = find(node);
    if (n && n->document && n->document->id != doc && n->kind != NodeKind::Document) {
        fail("undo record for node " + std::to_string(node) + " of another document");
        return false;
    }
    std::string error;
    if (!s->history.add(*this, kind, n, error)) {
        fail(error);
        return false;
    }
    return true;
}

bool Engine::undo(NodeId doc) {
    DocumentState* s = stateOf(doc);
    if (!s) return false;
    std::string error;
    const bool ok = s->history.undo(*this, error);
    if (!ok) fail(error);
    return ok;
}

bool Engine::redo(NodeId doc) {
    DocumentState* s = stateOf(doc);
    if (!s) return false;
    std::string error;
    const bool ok = s->history.redo(*this, error);
    if (!ok) fail(error);
    return ok;
}

bool Engine::canUndo(NodeId doc) const {
    const auto it = documents_.find(doc);
    return it != documents_.end() && it->second.history.canUndo();
}

bool Engine::canRedo(NodeId doc) const {
    const auto it = documents_.find(doc);
    return it != documents_.end() && it->second.history.canRedo();
}

void Engine::eventAdd(int32_t) { ++refreshCount_; }

void Engine::updateScene(NodeId doc) { evaluateExpressions(*this, doc); }

Container Engine::documentSettings(NodeId doc, int32_t kind) {
    DocumentState* s = stateOf(doc);
    if (!s) return {};
    const auto it = s->settings.find(kind);
    return it == s->settings.end() ? Container{} : it->second;
}

void Engine::setDocumentSettings(NodeId doc, int32_t kind, const Container& settings) {
    if (DocumentState* s = stateOf(doc)) s->settings[kind] = settings;
}

NodeId Engine::sceneHook(NodeId doc, int32_t id) {
    DocumentState* s = stateOf(doc);
    if (!s) return host::NoNode;
    for (Node* h : s->hooks)
        if (h->type == id) return h->id;
    return host::NoNode;
}

void Engine::statusText(const std::string& text) {
    feedback_.statusTexts.push_back(text);
    if (feedback_.sink) feedback_.sink(true, text);
}

void Engine::consoleLine(const std::string& line) {
    feedback_.consoleLines.push_back(line);
    if (feedback_.sink) feedback_.sink(false, line);
}

// --- Creation ---------------------------------------------------------------------------------

NodeId Engine::allocObject(int32_t type) {
    const auto it = types_.find(type);
    if (it == types_.end() || it->second.kind != NodeKind::Object) return host::NoNode;
    Node* n = createNode(NodeKind::Object, type);
    setPrimitiveDefaults(*n);
    const NodeId id = n->id;
    if (const auto instance = PluginRegistry::instanceOf(n); instance && !instance->initialise(host::Node(this, id))) {
        destroySubtree(n);
        return host::NoNode;
    }
    return id;
}

NodeId Engine::allocTag(int32_t type) {
    const auto it = types_.find(type);
    if (it == types_.end() || it->second.kind != NodeKind::Tag) return host::NoNode;
    return createNode(NodeKind::Tag, type)->id;
}

bool Engine::freeNode(NodeId node) {
    Node* n = find(node);
    if (!n || n->document || n->owner || n->parent || n->kind == NodeKind::Document || n->kind == NodeKind::Hook)
        return false;
    destroySubtree(n);
    return true;
}

NodeId Engine::cloneNode(NodeId node) {
    Node* src = find(node);
    if (!src || (!src->isObject() && !src->isTag())) return host::NoNode;
    Subtree copy = copySubtree(src);
    for (auto& n : copy.nodes) {
        n->id = nextId_++;
        n->selectionStamp = 0;
    }
    Node* root = copy.root();
    restoreSubtree(std::move(copy));
    return root->id;
}

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

// --- Messages ---------------------------------------------------------------------------------

bool Engine::sendMessage(NodeId node, int32_t type, void* data) {
    Node* n = find(node);
    if (!n) return false;
    if (n->kind == NodeKind::Hook && type == host::msg::DescriptionCommand && data) {
        const auto* command = static_cast<const host::DescriptionCommand*>(data);
        hookPresses_.emplace_back(n->type, command->id.firstId());
    }
    // The instance is held for the call, so a handler that removes its own node stays valid.
    if (const auto instance = PluginRegistry::instanceOf(n)) return instance->message(host::Node(this, node), type, data);
    geometry_->handleMessage(*n, type);
    return true;
}

// --- Parameters -------------------------------------------------------------------------------

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

// --- Input ------------------------------------------------------------------------------------

void Engine::setInputState(int32_t device, int32_t channel, const Container& state) {
    inputStates_[{device, channel}] = state;
}

Container Engine::inputState(int32_t device, int32_t channel) {
    const auto it = inputStates_.find({device, channel});
    return it == inputStates_.end() ? Container{} : it->second;
}

} // namespace flumpet::scene
