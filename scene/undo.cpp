#include "scene/undo.h"

#include "host/ids.h"
#include "scene/engine.h"

namespace flumpet::scene {

namespace {

NodeState captureState(const Node& n, bool containerOnly) {
    NodeState s;
    s.data = n.data;
    if (!containerOnly) {
        s.name = n.name;
        s.local = n.local;
        if (n.payload) s.payload = n.payload->clone();
    }
    return s;
}

bool samePlace(const Place& a, const Place& b) {
    return a.parent == b.parent && a.previous == b.previous && a.isTag == b.isTag;
}

// Takes a node (in a document or free) out of the registry together with its subtree.
Subtree takeOut(Engine& engine, Node* n, Place& place) {
    place = engine.placeOf(n);
    engine.detach(n);
    return engine.takeSubtree(n);
}

bool putBack(Engine& engine, UndoRecord& r, std::string& error) {
    Node* root = r.held.root();
    if (!root) {
        error = "nothing held to restore for node " + std::to_string(r.node);
        return false;
    }
    if (!engine.restoreSubtree(std::move(r.held))) {
        error = "an id of the restored subtree of node " + std::to_string(r.node) + " is in use";
        return false;
    }
    r.held = {};
    if (r.place.parent != host::NoNode && !engine.attach(root, r.place)) {
        error = "cannot put node " + std::to_string(r.node) + " back: its place is gone";
        return false;
    }
    return true;
}

// Change records swap the node's state (and, for a full change, its place) both ways.
bool swapChange(Engine& engine, UndoRecord& r, std::string& error) {
    Node* n = engine.find(r.node);
    if (!n) {
        error = "changed node " + std::to_string(r.node) + " is gone";
        return false;
    }
    NodeState& s = *r.state;
    std::swap(n->data, s.data);
    engine.markDirty(n, host::dirty::Data);
    if (r.kind == host::undo::ChangeSmall) return true;
    std::swap(n->name, s.name);
    std::swap(n->local, s.local);
    std::swap(n->payload, s.payload);
    engine.markDirty(n, host::dirty::Matrix);
    engine.markDirty(n, host::dirty::Cache);
    if (n->kind == NodeKind::Object || n->kind == NodeKind::Tag) {
        const Place now = engine.placeOf(n);
        if (!samePlace(now, r.place)) {
            engine.detach(n);
            if (r.place.parent != host::NoNode && !engine.attach(n, r.place)) {
                error = "cannot move node " + std::to_string(r.node) + " back: its place is gone";
                return false;
            }
            r.place = now;
        }
    }
    return true;
}

bool undoRecord(Engine& engine, UndoRecord& r, std::string& error) {
    switch (r.kind) {
    case host::undo::NewObject: {
        Node* n = engine.find(r.node);
        if (!n) {
            error = "new node " + std::to_string(r.node) + " is gone";
            return false;
        }
        r.held = takeOut(engine, n, r.place);
        return true;
    }
    case host::undo::DeleteObject:
        // A node removed but kept alive (or moved) gives way to the state that was recorded.
        if (Node* n = engine.find(r.node)) {
            engine.detach(n);
            engine.destroySubtree(n);
        }
        return putBack(engine, r, error);
    default: return swapChange(engine, r, error);
    }
}

bool redoRecord(Engine& engine, UndoRecord& r, std::string& error) {
    switch (r.kind) {
    case host::undo::NewObject: return putBack(engine, r, error);
    case host::undo::DeleteObject: {
        Node* n = engine.find(r.node);
        if (!n) {
            error = "node " + std::to_string(r.node) + " to delete again is gone";
            return false;
        }
        r.held = takeOut(engine, n, r.place);
        return true;
    }
    default: return swapChange(engine, r, error);
    }
}

} // namespace

void UndoHistory::start() {
    if (depth_++ == 0) current_ = {};
}

bool UndoHistory::end() {
    if (depth_ == 0) return false;
    if (--depth_ > 0) return true;
    if (!current_.records.empty()) {
        done_.push_back(std::move(current_));
        undone_.clear();
    }
    current_ = {};
    return true;
}

bool UndoHistory::add(Engine& engine, int32_t kind, Node* node, std::string& error) {
    if (depth_ == 0) {
        error = "no undo group is open";
        return false;
    }
    if (!node) {
        error = "undo record for a node that is gone";
        return false;
    }
    UndoRecord r;
    r.kind = kind;
    r.node = node->id;
    switch (kind) {
    case host::undo::NewObject:
        if (!node->document) {
            error = "new-object record for node " + std::to_string(node->id) + " that is not inserted";
            return false;
        }
        break;
    case host::undo::DeleteObject:
        if (!node->document) {
            error = "delete record for node " + std::to_string(node->id) + " that is not inserted";
            return false;
        }
        r.place = engine.placeOf(node);
        r.held = engine.copySubtree(node);
        break;
    case host::undo::Change:
    case host::undo::ChangeSmall:
        r.place = engine.placeOf(node);
        r.state = captureState(*node, kind == host::undo::ChangeSmall);
        break;
    default: error = "unknown undo kind " + std::to_string(kind); return false;
    }
    current_.records.push_back(std::move(r));
    return true;
}

bool UndoHistory::undo(Engine& engine, std::string& error) {
    if (!canUndo()) {
        error = "nothing to undo";
        return false;
    }
    UndoGroup group = std::move(done_.back());
    done_.pop_back();
    bool ok = true;
    for (auto it = group.records.rbegin(); it != group.records.rend(); ++it) ok = undoRecord(engine, *it, error) && ok;
    undone_.push_back(std::move(group));
    return ok;
}

bool UndoHistory::redo(Engine& engine, std::string& error) {
    if (!canRedo()) {
        error = "nothing to redo";
        return false;
    }
    UndoGroup group = std::move(undone_.back());
    undone_.pop_back();
    bool ok = true;
    for (auto& r : group.records) ok = redoRecord(engine, r, error) && ok;
    done_.push_back(std::move(group));
    return ok;
}

} // namespace flumpet::scene
