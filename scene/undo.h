// Undo history of a document: groups of records, each able to undo and redo itself.
//
// A record captures what it needs when it is made (a deleted subtree with its ids, a node's data
// before a change) and swaps state on every undo and redo, so that undo restores the document
// exactly and redo replays it; a node brought back keeps its id, so old links resolve again.
#pragma once

#include "scene/node.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace flumpet::scene {

class Engine;

/// A node's own state, for change records (everything but its place and children).
struct NodeState {
    std::string name;
    Container data;
    Matrix local;
    std::unique_ptr<Payload> payload;
};

struct UndoRecord {
    int32_t kind = 0;
    NodeId node = host::NoNode;
    Place place;
    /// The subtree while it is out of the document (deleted, or new and undone).
    Subtree held;
    /// For change records: the state to swap in on the next undo or redo.
    std::optional<NodeState> state;
};

struct UndoGroup {
    std::vector<UndoRecord> records;
};

class UndoHistory {
  public:
    bool open() const { return depth_ > 0; }
    /// Nested starts join the outermost group.
    void start();
    /// Closes the outermost group; an empty group leaves no trace. Then the oldest groups go
    /// while the history holds more than `budget` bytes (the group just closed always stays).
    /// False when no group is open.
    bool end(size_t budget = SIZE_MAX);
    /// Bytes the history holds: its records, the nodes it keeps out of the document, and the
    /// large arrays that nothing but the history holds (an array shared with a live node costs
    /// the history nothing).
    size_t bytes() const;
    /// Makes a record for the open group. False (with a reason) when it cannot be made.
    bool add(Engine& engine, int32_t kind, Node* node, std::string& error);
    bool canUndo() const { return !done_.empty() && !open(); }
    size_t undoSteps() const { return done_.size(); }
    bool canRedo() const { return !undone_.empty() && !open(); }
    /// Undoes or redoes the last group of the document `doc`, whole or not at all: when a record
    /// cannot be applied (its node is gone, live where it should not be, or in another
    /// document), the records already applied are turned back and the group stays where it was.
    bool undo(Engine& engine, NodeId doc, std::string& error);
    bool redo(Engine& engine, NodeId doc, std::string& error);

  private:
    std::vector<UndoGroup> done_;
    std::vector<UndoGroup> undone_;
    UndoGroup current_;
    int depth_ = 0;
};

} // namespace flumpet::scene
