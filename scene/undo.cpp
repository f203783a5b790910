#include "scene/undo.h"

#include "host/ids.h"
#include "scene/engine.h"

#include <unordered_map>

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

std::string nodeName(NodeId id) { return "node " + std::to_string(id); }

// A node an undo or redo may touch: live, and free or in the history's own document.
Node* liveNodeOf(Engine& engine, NodeId doc, NodeId id, const char* what, std::string& error) {
    Node* n = engine.find(id);
    if (!n) {
        error = std::string(what) + " " + nodeName(id) + " is gone";
        return nullptr;
    }
    if (n->document && n->document->id != doc) {
        error = nodeName(id) + " belongs to another document";
        return nullptr;
    }
    return n;
}

// Takes a node (in a document or free) out of the registry together with its subtree.
Subtree takeOut(Engine& engine, Node* n, Place& place) {
    place = engine.placeOf(n);
    engine.detach(n);
    return engine.takeSubtree(n);
}

// Puts a held subtree back at its place; on failure nothing changes and the record keeps it.
bool putBack(Engine& engine, NodeId doc, UndoRecord& r, std::string& error) {
    Node* root = r.held.root();
    if (!root) {
        error = "nothing held to restore for " + nodeName(r.node);
        return false;
    }
    if (engine.find(r.node)) {
        // Never replaced: the live node may be another document's, or changed since.
        error = nodeName(r.node) + " is live, so it cannot be restored";
        return false;
    }
    if (r.place.parent != host::NoNode) {
        const Node* parent = engine.find(r.place.parent);
        const Node* parentDoc = parent ? (parent->kind == NodeKind::Document ? parent : parent->document) : nullptr;
        if (!parentDoc || parentDoc->id != doc) {
            error = "cannot put " + nodeName(r.node) + " back: its place is gone";
            return false;
        }
    }
    if (!engine.restoreSubtree(r.held)) {
        error = "an id of the restored subtree of " + nodeName(r.node) + " is in use";
        return false;
    }
    if (r.place.parent != host::NoNode && !engine.attach(root, r.place)) {
        r.held = engine.takeSubtree(root);
        error = "cannot put " + nodeName(r.node) + " back: its place is gone";
        return false;
    }
    return true;
}

void swapState(Engine& engine, Node& n, UndoRecord& r) {
    NodeState& s = *r.state;
    std::swap(n.data, s.data);
    engine.markDirty(&n, host::dirty::Data);
    if (r.kind == host::undo::ChangeSmall) return;
    std::swap(n.name, s.name);
    std::swap(n.local, s.local);
    std::swap(n.payload, s.payload);
    engine.markDirty(&n, host::dirty::Matrix);
    engine.markDirty(&n, host::dirty::Cache);
}

// Change records swap the node's state (and, for a full change, its place) both ways; on
// failure nothing changes.
bool swapChange(Engine& engine, NodeId doc, UndoRecord& r, std::string& error) {
    Node* n = liveNodeOf(engine, doc, r.node, "changed", error);
    if (!n) return false;
    swapState(engine, *n, r);
    if (r.kind == host::undo::ChangeSmall) return true;
    if (n->kind == NodeKind::Object || n->kind == NodeKind::Tag) {
        const Place now = engine.placeOf(n);
        if (!samePlace(now, r.place)) {
            engine.detach(n);
            if (r.place.parent != host::NoNode && !engine.attach(n, r.place)) {
                if (now.parent != host::NoNode) engine.attach(n, now);
                swapState(engine, *n, r);
                error = "cannot move " + nodeName(r.node) + " back: its place is gone";
                return false;
            }
            r.place = now;
        }
    }
    return true;
}

bool takeOutRecorded(Engine& engine, NodeId doc, UndoRecord& r, const char* what, std::string& error) {
    Node* n = liveNodeOf(engine, doc, r.node, what, error);
    if (!n) return false;
    r.held = takeOut(engine, n, r.place);
    return true;
}

bool undoRecord(Engine& engine, NodeId doc, UndoRecord& r, std::string& error) {
    switch (r.kind) {
    case host::undo::NewObject: return takeOutRecorded(engine, doc, r, "new", error);
    case host::undo::DeleteObject: return putBack(engine, doc, r, error);
    default: return swapChange(engine, doc, r, error);
    }
}

bool redoRecord(Engine& engine, NodeId doc, UndoRecord& r, std::string& error) {
    switch (r.kind) {
    case host::undo::NewObject: return putBack(engine, doc, r, error);
    case host::undo::DeleteObject: return takeOutRecorded(engine, doc, r, "deleted", error);
    default: return swapChange(engine, doc, r, error);
    }
}

// Runs one direction over a group's records (backwards for undo); when a record fails, the ones
// already done are turned back, so the group applies whole or not at all.
bool applyGroup(Engine& engine, NodeId doc, UndoGroup& group, bool undoing, std::string& error) {
    auto& records = group.records;
    const size_t n = records.size();
    auto at = [&](size_t step) -> UndoRecord& { return records[undoing ? n - 1 - step : step]; };
    size_t done = 0;
    std::string why;
    for (; done < n; ++done)
        if (!(undoing ? undoRecord : redoRecord)(engine, doc, at(done), why)) break;
    if (done == n) return true;
    std::string rollback;
    for (size_t k = done; k-- > 0;) {
        std::string e;
        if (!(undoing ? redoRecord : undoRecord)(engine, doc, at(k), e) && rollback.empty()) rollback = e;
    }
    error = std::string(undoing ? "undo" : "redo") + " failed, nothing changed: " + why;
    if (!rollback.empty()) error += " (and turning back: " + rollback + ")";
    return false;
}

} // namespace

void UndoHistory::start() {
    if (depth_++ == 0) current_ = {};
}

bool UndoHistory::end(size_t budget) {
    if (depth_ == 0) return false;
    if (--depth_ > 0) return true;
    if (!current_.records.empty()) {
        done_.push_back(std::move(current_));
        undone_.clear();
    }
    current_ = {};
    if (budget != SIZE_MAX) {
        // Oldest first; each group dropped frees what it alone held.
        size_t drop = 0;
        while (drop + 1 < done_.size() && bytes() > budget) {
            done_[drop] = {};
            ++drop;
        }
        done_.erase(done_.begin(), done_.begin() + static_cast<std::ptrdiff_t>(drop));
    }
    return true;
}

namespace {

// A rough size of a container: its map nodes and values.
size_t containerBytes(const Container& c) { return c.values().size() * 96; }

} // namespace

size_t UndoHistory::bytes() const {
    struct Use {
        size_t bytes = 0;
        long holders = 0;
        long inHistory = 0;
    };
    std::unordered_map<const void*, Use> arrays;
    size_t total = 0;
    const auto payload = [&](const Payload* p) {
        if (!p) return;
        total += p->ownBytes();
        p->visitArrays([&](const ArrayUse& a) {
            Use& u = arrays[a.storage];
            u.bytes = a.bytes;
            u.holders = a.holders;
            ++u.inHistory;
        });
    };
    const auto group = [&](const UndoGroup& g) {
        for (const UndoRecord& r : g.records) {
            total += sizeof(UndoRecord);
            if (r.state) {
                total += r.state->name.capacity() + containerBytes(r.state->data);
                payload(r.state->payload.get());
            }
            for (const auto& n : r.held.nodes) {
                total += sizeof(Node) + n->name.capacity() + containerBytes(n->data) + n->tags.capacity() * sizeof(Node*);
                payload(n->payload.get());
            }
        }
    };
    for (const UndoGroup& g : done_) group(g);
    for (const UndoGroup& g : undone_) group(g);
    group(current_);
    for (const auto& [storage, use] : arrays)
        if (use.inHistory >= use.holders) total += use.bytes;
    return total;
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

bool UndoHistory::undo(Engine& engine, NodeId doc, std::string& error) {
    if (!canUndo()) {
        error = "nothing to undo";
        return false;
    }
    if (!applyGroup(engine, doc, done_.back(), true, error)) return false;
    undone_.push_back(std::move(done_.back()));
    done_.pop_back();
    return true;
}

bool UndoHistory::redo(Engine& engine, NodeId doc, std::string& error) {
    if (!canRedo()) {
        error = "nothing to redo";
        return false;
    }
    if (!applyGroup(engine, doc, undone_.back(), false, error)) return false;
    done_.push_back(std::move(undone_.back()));
    undone_.pop_back();
    return true;
}

} // namespace flumpet::scene
