#include "scene/node_store.h"

namespace flumpet::scene {

Node* NodeStore::find(NodeId id) const {
    const auto it = nodes_.find(id);
    return it == nodes_.end() ? nullptr : it->second.get();
}

Node* NodeStore::create(NodeKind kind, int32_t type) {
    auto n = std::make_unique<Node>();
    n->id = ids_.issue();
    n->kind = kind;
    n->type = type;
    Node* raw = n.get();
    nodes_.emplace(raw->id, std::move(n));
    return raw;
}

bool NodeStore::renumber(const std::vector<std::pair<NodeId, NodeId>>& renames) {
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
        n->id = byOld.at(n->id);
        ids_.markIssuedUpTo(n->id);
        const NodeId id = n->id;
        nodes_.emplace(id, std::move(n));
    }
    return true;
}

void NodeStore::discard(const std::vector<NodeId>& ids) {
    for (NodeId id : ids) nodes_.erase(id);
}

Subtree NodeStore::take(Node* root) {
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

bool NodeStore::restore(Subtree& subtree) {
    for (const auto& n : subtree.nodes)
        if (nodes_.count(n->id)) return false;
    for (auto& n : subtree.nodes) {
        const NodeId id = n->id;
        nodes_.emplace(id, std::move(n));
    }
    subtree.nodes.clear();
    return true;
}

void NodeStore::destroy(Node* root) {
    std::vector<NodeId> ids;
    forEachInSubtree(root, [&](Node* n) { ids.push_back(n->id); });
    for (NodeId id : ids) nodes_.erase(id);
}

} // namespace flumpet::scene
