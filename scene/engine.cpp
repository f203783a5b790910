// The engine as a whole: the types it knows, creating and freeing nodes, messages, feedback and
// input. Documents, hierarchy, parameters and placement have files of their own (engine_*.cpp);
// the node store owns the nodes and issues their ids.
#include "scene/engine.h"

#include "host/ids.h"
#include "host/messages.h"
#include "scene/dynamics/bake_cache.h"
#include "scene/geometry/payloads.h"
#include "scene/primitives.h"

#include <algorithm>

namespace flumpet::scene {

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

Node* Engine::find(NodeId id) const { return store_.find(id); }

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


NodeId Engine::highestIssuedId() const { return store_.ids().highestIssued(); }

void Engine::markIdsIssuedUpTo(NodeId id) { store_.ids().markIssuedUpTo(id); }

NodeId Engine::reserveFreshId() { return store_.ids().issue(); }

bool Engine::renumber(const std::vector<std::pair<NodeId, NodeId>>& renames) {
    if (!store_.renumber(renames)) return false;
    for (const auto& [from, to] : renames) {
        // A document's own state moves with it.
        auto state = documents_.extract(from);
        if (state.empty()) continue;
        state.key() = to;
        documents_.insert(std::move(state));
        if (activeDocument_ == from) activeDocument_ = to;
    }
    return true;
}

void Engine::discardNodes(const std::vector<NodeId>& ids) { store_.discard(ids); }

bool Engine::knowsType(int32_t type, NodeKind kind) const {
    const auto it = types_.find(type);
    return it != types_.end() && it->second.kind == kind;
}

std::string Engine::typeName(int32_t type) const {
    const auto it = types_.find(type);
    return it == types_.end() ? std::string{} : it->second.defaultName;
}

Node* Engine::createNode(NodeKind kind, int32_t type) {
    Node* n = store_.create(kind, type);
    if (const auto it = types_.find(type); it != types_.end()) n->name = it->second.defaultName;
    // A plug-in node always carries its module instance, however it was made (new, read, copied).
    if (kind == NodeKind::Object) n->payload = plugins_.newInstance(type);
    if (!n->payload) n->payload = makeGeometryPayload(kind, type);
    return n;
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
        n->id = store_.ids().issue();
        n->selectionStamp = 0;
    }
    Node* root = copy.root();
    restoreSubtree(copy);
    return root->id;
}

// --- Messages ---------------------------------------------------------------------------------

BakeSettings Engine::bakeSettings(const Node& hook, NodeId doc) {
    BakeSettings s;
    const Container& data = hook.data;
    s.seconds = std::clamp(data.getFloat(bakeparam::Seconds, s.seconds), 0.0, 3600.0);
    s.ground = data.getBool(bakeparam::Ground, s.ground);
    s.groundHeight = data.getFloat(bakeparam::GroundHeight, s.groundHeight);
    // The builders write these as floats, a file may hold whole numbers: getFloat reads both.
    s.gravity = data.getFloat(host::dynamicsparam::Gravity, s.gravity);
    s.substeps = static_cast<int32_t>(std::clamp(data.getFloat(host::dynamicsparam::Substeps, s.substeps), 1.0, 1000.0));
    s.iterations =
        static_cast<int32_t>(std::clamp(data.getFloat(host::dynamicsparam::Iterations, s.iterations), 1.0, 1000.0));
    if (const Node* d = documentNode(doc)) s.framesPerSecond = d->data.getFloat(host::docparam::FrameRate, s.framesPerSecond);
    return s;
}

const BakedMotion* Engine::bakedMotion(NodeId doc) const {
    const auto it = documents_.find(doc);
    if (it == documents_.end()) return nullptr;
    for (const Node* h : it->second.hooks)
        if (const auto* cache = dynamic_cast<const BakeCachePayload*>(h->payload.get())) return &cache->motion();
    return nullptr;
}

const StabilityReport* Engine::bakeReport(NodeId doc) const {
    const auto it = reports_.find(doc);
    return it == reports_.end() ? nullptr : it->second.get();
}

void Engine::pressCacheButton(Node& hook, NodeId doc, bool bake) {
    if (!documentNode(doc)) return;
    // The cache is part of the document: a bake or a clear is one undo step of its own, or part
    // of the group the caller has open.
    DocumentState* state = stateOf(doc);
    const bool ownGroup = !state->history.open();
    if (ownGroup) startUndo(doc);
    addUndo(doc, host::undo::Change, hook.id);
    hook.data.setInt(DynamicsCacheStateParameter, bake ? 1 : 0);
    if (bake) {
        Bake result = simulateDocument(*this, doc, bakeSettings(hook, doc));
        hook.payload = std::make_unique<BakeCachePayload>(std::move(result.motion));
        const StabilityReport& report = *(reports_[doc] = std::make_unique<StabilityReport>(std::move(result.report)));
        for (const std::string& line : report.lines()) consoleLine(line);
    } else {
        hook.payload.reset();
        reports_.erase(doc);
    }
    markDirty(&hook, host::dirty::Data);
    if (ownGroup) endUndo(doc);
}

bool Engine::sendMessage(NodeId node, int32_t type, void* data) {
    Node* n = find(node);
    if (!n) return false;
    if (n->kind == NodeKind::Hook && type == host::msg::DescriptionCommand && data) {
        const auto* command = static_cast<const host::DescriptionCommand*>(data);
        hookPresses_.push_back({n->type, type, command->id.firstId(), host::NoNode});
    }
    if (n->kind == NodeKind::Hook && type == host::msg::DescriptionUsed && data) {
        const auto* used = static_cast<const host::DescriptionUsed*>(data);
        const int32_t button = used->id ? used->id->firstId() : 0;
        hookPresses_.push_back({n->type, type, button, used->document});
        if (n->type == host::hook::DynamicsSettings && (button == host::dynamicshook::Bake ||
                                                        button == host::dynamicshook::ClearCache))
            pressCacheButton(*n, used->document, button == host::dynamicshook::Bake);
    }
    // The instance is held for the call, so a handler that removes its own node stays valid.
    if (const auto instance = PluginRegistry::instanceOf(n)) return instance->message(host::Node(this, node), type, data);
    geometry_->handleMessage(*n, type);
    return true;
}

// --- Feedback ---------------------------------------------------------------------------------

void Engine::statusProgress(int32_t percent, const std::string& text) {
    if (feedback_.progress) feedback_.progress(percent, text);
}

void Engine::statusText(const std::string& text) {
    feedback_.statusTexts.push_back(text);
    if (feedback_.sink) feedback_.sink(true, text);
}

void Engine::consoleLine(const std::string& line) {
    feedback_.consoleLines.push_back(line);
    if (feedback_.sink) feedback_.sink(false, line);
}

void Engine::openPage(const std::string& address) {
    feedback_.openedPages.push_back(address);
    if (feedback_.browser) feedback_.browser(address);
}

// --- Input ------------------------------------------------------------------------------------

void Engine::setInputState(int32_t device, int32_t channel, const Container& state) {
    inputStates_[{device, channel}] = state;
}

Container Engine::inputState(int32_t device, int32_t channel) {
    const auto it = inputStates_.find({device, channel});
    return it == inputStates_.end() ? Container{} : it->second;
}

} // namespace flumpet::scene
