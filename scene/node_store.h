// The node store: owns every node the engine holds and alone hands out node ids.
//
// An id names one node for the whole life of the engine. The issuer remembers the highest id it
// ever gave (or that a loaded file brought in), so no later creation can hand out an id that an
// undo record, a link or a dead link still names.
#pragma once

#include "scene/node.h"

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace flumpet::scene {

class IdIssuer {
  public:
    /// A new id, above every id issued before.
    NodeId issue() { return ++highest_; }
    NodeId highestIssued() const { return highest_; }
    /// Counts every id up to `id` as issued (ids a loaded file brings in, and those it links to).
    void markIssuedUpTo(NodeId id) {
        if (id > highest_) highest_ = id;
    }

  private:
    NodeId highest_ = host::NoNode;
};

class NodeStore {
  public:
    /// The node behind an id; null when no live node has it.
    Node* find(NodeId id) const;
    bool holds(NodeId id) const { return nodes_.count(id) != 0; }
    /// A new node with a fresh id, owned by the store.
    Node* create(NodeKind kind, int32_t type);
    IdIssuer& ids() { return ids_; }
    const IdIssuer& ids() const { return ids_; }
    /// Gives nodes new ids all at once (pairs of old and new id). False, with nothing changed,
    /// when a new id is NoNode or held by a node outside the list. The new ids count as issued.
    bool renumber(const std::vector<std::pair<NodeId, NodeId>>& renames);
    /// Drops nodes without touching their relations (for a half-read file).
    void discard(const std::vector<NodeId>& ids);
    /// Moves a free node's whole subtree out of the store.
    Subtree take(Node* root);
    /// Moves a subtree back in (ids kept) and leaves `subtree` empty. False, with nothing
    /// changed, when one of its ids is live.
    bool restore(Subtree& subtree);
    /// Deletes a free node's subtree.
    void destroy(Node* root);

  private:
    std::unordered_map<NodeId, std::unique_ptr<Node>> nodes_;
    IdIssuer ids_;
};

} // namespace flumpet::scene
