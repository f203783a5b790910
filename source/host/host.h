// The host binding: every scene operation the module calls, addressed by node id.
//
// A host implements this interface; the module holds one binding to it (created from the host
// interface handed to the module entry) and reaches the scene only through it, usually through
// the handle classes in host/nodes.h. Ids are weak: an operation on a node that is gone answers
// the neutral value (NoNode, false, empty) instead of failing.
#pragma once

#include "host/values.h"

#include <cstdint>
#include <string>
#include <vector>

namespace flumpet::host {

class PluginServices;
class ScriptServices;
class GeometryServices;

class Host {
  public:
    virtual ~Host() = default;

    // --- Host -------------------------------------------------------------------------------
    /// The host's version number (e.g. 2023000).
    virtual int32_t version() const = 0;
    /// Plug-in registration, resources and descriptions.
    virtual PluginServices& plugins() = 0;
    /// The scripting engine and the address object.
    virtual ScriptServices& scripting() = 0;

    // --- Documents --------------------------------------------------------------------------
    virtual NodeId activeDocument() = 0;
    /// The document a node is inserted in; NoNode for a node outside any document.
    virtual NodeId documentOf(NodeId node) = 0;
    virtual NodeId firstObject(NodeId doc) = 0;
    /// The active object: the selected object selected last, NoNode when none.
    virtual NodeId activeObject(NodeId doc) = 0;
    /// Selected objects; flags from host::selection.
    virtual std::vector<NodeId> activeObjects(NodeId doc, int32_t flags) = 0;
    /// Selects (appending to the selection order) or deselects an object.
    virtual void setSelected(NodeId object, bool selected) = 0;
    virtual bool isSelected(NodeId object) = 0;
    virtual bool startUndo(NodeId doc) = 0;
    virtual bool endUndo(NodeId doc) = 0;
    /// Undo record of a kind from host::undo. False when the record cannot be made (no open
    /// group, a node that is gone, a kind that does not fit the node's state).
    virtual bool addUndo(NodeId doc, int32_t kind, NodeId node) = 0;
    /// Asks the host to refresh its views and evaluation.
    virtual void eventAdd(int32_t flags) = 0;
    /// Updates the document's scene now: expressions such as constraint tags are evaluated
    /// and write what they measure before this returns.
    virtual void updateScene(NodeId doc) = 0;
    /// The document's settings container of a kind (empty when unknown).
    virtual Container documentSettings(NodeId doc, int32_t kind) = 0;
    virtual void setDocumentSettings(NodeId doc, int32_t kind, const Container& settings) = 0;
    /// A scene hook of the document (a node with parameters), NoNode when the host has none.
    virtual NodeId sceneHook(NodeId doc, int32_t id) = 0;

    // --- Feedback ---------------------------------------------------------------------------
    virtual void statusText(const std::string& text) = 0;
    virtual void consoleLine(const std::string& line) = 0;
    /// Progress of long work in the status bar: `percent` 0 to 100 and what is being worked on;
    /// a negative percent clears the bar.
    virtual void statusProgress(int32_t percent, const std::string& text) = 0;

    // --- Creation ---------------------------------------------------------------------------
    /// A new object outside any document; NoNode for a type the host lacks.
    virtual NodeId allocObject(int32_t type) = 0;
    /// A new tag outside any object; NoNode for a type the host lacks.
    virtual NodeId allocTag(int32_t type) = 0;
    /// Frees a node that is outside any document (with its children and tags). False otherwise.
    virtual bool freeNode(NodeId node) = 0;
    /// A deep copy (children, tags) with new ids, outside any document.
    virtual NodeId cloneNode(NodeId node) = 0;

    // --- Node queries -----------------------------------------------------------------------
    virtual bool exists(NodeId node) = 0;
    /// The node's type id; 0 when it is gone.
    virtual int32_t typeOf(NodeId node) = 0;
    /// True when the node's type is `type` or derives from it (every object is a 5155 object).
    virtual bool isInstanceOf(NodeId node, int32_t type) = 0;
    virtual std::string nameOf(NodeId node) = 0;
    virtual void setName(NodeId node, const std::string& name) = 0;
    virtual NodeId parentOf(NodeId object) = 0;
    virtual NodeId firstChild(NodeId object) = 0;
    virtual NodeId lastChild(NodeId object) = 0;
    virtual NodeId nextSibling(NodeId object) = 0;
    virtual NodeId previousSibling(NodeId object) = 0;
    /// True when `ancestor` is a parent, grandparent ... of `node`.
    virtual bool isAncestorOf(NodeId ancestor, NodeId node) = 0;
    /// True when the node changed in the given way (host::dirty) since the last check of that
    /// flag by this same call; the check is remembered per node and flag.
    virtual bool changedSinceLastCheck(NodeId node, int32_t dirtyFlag) = 0;

    // --- Hierarchy --------------------------------------------------------------------------
    /// Inserts a node that is outside any document: as first or last child of parent, or at the
    /// top level of doc when parent is NoNode.
    virtual bool insertFirst(NodeId doc, NodeId object, NodeId parent) = 0;
    virtual bool insertLast(NodeId doc, NodeId object, NodeId parent) = 0;
    /// Inserts before an object that is in a document.
    virtual bool insertBefore(NodeId object, NodeId next) = 0;
    /// Takes an object (with children and tags) from its parent or document, or a tag off its
    /// object, whether in a document or not; it stays alive.
    virtual bool remove(NodeId node) = 0;

    // --- Tags -------------------------------------------------------------------------------
    /// The n-th tag of a type on an object (n from 0); NoNode when there is none.
    virtual NodeId tagOf(NodeId object, int32_t tagType, int32_t n) = 0;
    virtual std::vector<NodeId> tagsOf(NodeId object) = 0;
    /// Inserts a free tag on an object after pred (first when pred is NoNode).
    virtual bool insertTag(NodeId object, NodeId tag, NodeId pred) = 0;
    /// The object a tag is on.
    virtual NodeId tagObject(NodeId tag) = 0;

    // --- Messages ---------------------------------------------------------------------------
    /// Sends a message to a node; answers what the node answers (true for nodes without a
    /// handler of their own).
    virtual bool sendMessage(NodeId node, int32_t type, void* data) = 0;

    // --- Parameters -------------------------------------------------------------------------
    /// Reads a parameter (container entries, and what the node offers beyond them: name,
    /// position, rotation, scale, vector components). False when the node has no such value.
    virtual bool getParameter(NodeId node, const DescID& id, Value& out) = 0;
    virtual bool setParameter(NodeId node, const DescID& id, const Value& value, int32_t flags) = 0;
    /// A copy of the node's container.
    virtual Container dataOf(NodeId node) = 0;
    /// Replaces the node's container.
    virtual void setDataOf(NodeId node, const Container& data) = 0;

    // --- Placement --------------------------------------------------------------------------
    virtual Matrix globalMatrix(NodeId object) = 0;
    virtual void setGlobalMatrix(NodeId object, const Matrix& m) = 0;
    virtual Matrix localMatrix(NodeId object) = 0;
    virtual void setLocalMatrix(NodeId object, const Matrix& m) = 0;
    /// The deformed copy of an object, NoNode when it has none.
    virtual NodeId deformCache(NodeId object) = 0;

    // --- Input ------------------------------------------------------------------------------
    /// State of an input device channel; the key's value is in entry 0x69707661.
    virtual Container inputState(int32_t device, int32_t channel) = 0;

    // --- Geometry ---------------------------------------------------------------------------
    /// Meshes, modeling, spatial queries, splines, joints and weights (host/geometry.h).
    virtual GeometryServices& geometry() = 0;
};

} // namespace flumpet::host
