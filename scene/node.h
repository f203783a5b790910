// The scene engine's node: one struct for objects, tags, documents and scene hooks.
// Nodes are owned by the engine's registry (or, while undone or deleted, by an undo step);
// the pointers between them are the engine's own business and never leave it.
#pragma once

#include "host/values.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace flumpet::scene {

using host::Container;
using host::Matrix;
using host::NodeId;
using host::Vector;

enum class NodeKind : uint8_t { Object, Tag, Document, Hook };

/// One large array a payload holds: its storage (shared by copies), size in bytes and how many
/// holders share it.
struct ArrayUse {
    const void* storage = nullptr;
    size_t bytes = 0;
    long holders = 0;
};
using ArrayVisitor = std::function<void(const ArrayUse&)>;

/// Data beyond the container that some node types carry (meshes, splines, weights, plug-in
/// instances). Copied with the node; large arrays are shared by the copies until one writes.
class Payload {
  public:
    virtual ~Payload() = default;
    virtual std::unique_ptr<Payload> clone() const = 0;
    /// False for payloads the engine rebuilds itself when it reads a scene file.
    virtual bool savedInSceneFile() const { return true; }
    /// Lets a visitor read or rewrite the node ids the payload refers to (weak links), so that
    /// loading a scene file can renumber them with the nodes.
    virtual void visitLinks(const std::function<void(NodeId&)>&) {}
    /// Shows a visitor the large arrays, for the undo history's byte count.
    virtual void visitArrays(const ArrayVisitor&) const {}
    /// Bytes of the payload beyond its large arrays.
    virtual size_t ownBytes() const { return 0; }
};

/// Change counters for the dirty checks; a check remembers the value it saw.
struct DirtyState {
    std::array<uint32_t, 3> counters{1, 1, 1};       // matrix, data, cache
    std::array<uint32_t, 3> lastChecked{0, 0, 0};
};

struct Node {
    NodeId id = host::NoNode;
    NodeKind kind = NodeKind::Object;
    int32_t type = 0;
    std::string name;
    Container data;
    /// Objects: matrix relative to the parent (or to the world at the top level).
    Matrix local;
    std::unique_ptr<Payload> payload;

    // Hierarchy. A top-level object's parent is its document node.
    Node* parent = nullptr;
    Node* firstChild = nullptr;
    Node* lastChild = nullptr;
    Node* next = nullptr;
    Node* prev = nullptr;
    /// Tags in order (objects only); a tag's owner.
    std::vector<Node*> tags;
    Node* owner = nullptr;
    /// The document the node is inserted in; null while free.
    Node* document = nullptr;

    /// Selection: a stamp that orders selected objects by when they were selected; 0 when not.
    uint64_t selectionStamp = 0;

    DirtyState dirty;

    bool isObject() const { return kind == NodeKind::Object; }
    bool isTag() const { return kind == NodeKind::Tag; }
};

/// Where a node sits: its parent (an object or a document) or, for a tag, its object; and the
/// node before it there (null id when it is first).
struct Place {
    NodeId parent = host::NoNode;
    NodeId previous = host::NoNode;
    bool isTag = false;
};

/// A detached subtree (a node with its children and tags, all ids kept), owned outside the
/// registry: by an undo step while a node is deleted or undone.
struct Subtree {
    std::vector<std::unique_ptr<Node>> nodes; // nodes[0] is the root
    Node* root() const { return nodes.empty() ? nullptr : nodes.front().get(); }
};

/// Every node of a subtree (root, tags, children depth first), root first.
template <typename Fn> void forEachInSubtree(Node* root, Fn&& fn) {
    fn(root);
    for (Node* t : root->tags) fn(t);
    for (Node* c = root->firstChild; c; c = c->next) forEachInSubtree(c, fn);
}

} // namespace flumpet::scene
