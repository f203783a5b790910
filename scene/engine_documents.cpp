// Documents: making and closing them, their settings and scene hooks, the selection, the undo
// glue between the host API and each document's history, and evaluation.
#include "scene/engine.h"
#include "scene/dynamics/simulation.h"
#include "scene/expressions.h"

#include "host/ids.h"
#include "scene/plugins.h"

#include <algorithm>

namespace flumpet::scene {

namespace {

constexpr int32_t DocumentType = 0;

} // namespace

NodeId Engine::newDocument() {
    Node* doc = createNode(NodeKind::Document, DocumentType);
    doc->name = "Untitled";
    doc->data.setTime(host::docparam::Time, host::Time{0, 1});
    doc->data.setInt(host::docparam::FrameRate, 30);
    doc->data.setInt(host::docparam::ModelingState, 0);
    doc->document = doc;
    DocumentState& state = documents_[doc->id];
    // As the host's documents do, a new one carries the dynamics' custom data (empty here).
    state.settings[host::docsettings::DynamicsKind].setCustomData(
        host::docsettings::DynamicsData, host::CustomData{host::docsettings::DynamicsDataType, {}});
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
    std::vector<NodeId> gone{doc};
    for (Node* hook : documents_[doc].hooks) gone.push_back(hook->id);
    documents_.erase(doc);
    reports_.erase(doc);
    store_.discard(gone);
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
    return s && s->history.end(historyBudget_);
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
    const bool ok = s->history.undo(*this, doc, error);
    if (!ok) fail(error);
    return ok;
}

bool Engine::redo(NodeId doc) {
    DocumentState* s = stateOf(doc);
    if (!s) return false;
    std::string error;
    const bool ok = s->history.redo(*this, doc, error);
    if (!ok) fail(error);
    return ok;
}

bool Engine::canUndo(NodeId doc) const {
    const auto it = documents_.find(doc);
    return it != documents_.end() && it->second.history.canUndo();
}

size_t Engine::historyBytes(NodeId doc) const {
    const auto it = documents_.find(doc);
    return it == documents_.end() ? 0 : it->second.history.bytes();
}

size_t Engine::undoSteps(NodeId doc) const {
    const auto it = documents_.find(doc);
    return it == documents_.end() ? 0 : it->second.history.undoSteps();
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

DynamicsCache Engine::dynamicsCache(NodeId doc) const {
    const auto it = documents_.find(doc);
    if (it == documents_.end()) return DynamicsCache::Empty;
    for (const Node* h : it->second.hooks)
        if (h->type == host::hook::DynamicsSettings)
            return h->data.getInt(DynamicsCacheStateParameter) == 1 ? DynamicsCache::Baked : DynamicsCache::Empty;
    return DynamicsCache::Empty;
}

NodeId Engine::sceneHook(NodeId doc, int32_t id) {
    DocumentState* s = stateOf(doc);
    if (!s) return host::NoNode;
    for (Node* h : s->hooks)
        if (h->type == id) return h->id;
    return host::NoNode;
}
void Engine::evaluate(NodeId doc) {
    Node* d = documentNode(doc);
    if (!d) return;
    std::vector<std::pair<NodeId, std::shared_ptr<host::ObjectData>>> generators;
    auto walk = [&](auto& self, Node* first) -> void {
        for (Node* n = first; n; n = n->next) {
            if (auto instance = PluginRegistry::instanceOf(n))
                generators.emplace_back(n->id, std::move(instance));
            self(self, n->firstChild);
        }
    };
    walk(walk, d->firstChild);
    // Collected first: a dirty check may change the hierarchy it is called from.
    for (auto& [id, instance] : generators)
        if (find(id)) instance->checkDirty(host::Object(this, id), host::Document(this, doc));
    evaluateExpressions(*this, doc);
}

} // namespace flumpet::scene
