// Handles for objects, tags and documents. A handle is a host and a node id: cheap to copy,
// weak (a node that is gone makes every query answer its neutral value) and safe to keep.
#pragma once

#include "host/host.h"
#include "host/ids.h"

#include <string>
#include <vector>

namespace flumpet::host {

class Object;
class Tag;
class Document;

class Node {
  public:
    Node() = default;
    Node(Host* host, NodeId id) : host_(id == NoNode ? nullptr : host), id_(host ? id : NoNode) {}

    Host* host() const { return host_; }
    NodeId id() const { return id_; }
    /// True while the node exists (in a document or not).
    bool alive() const { return host_ && host_->exists(id_); }
    explicit operator bool() const { return alive(); }
    bool operator==(const Node& o) const { return id_ == o.id_; }

    int32_t type() const { return host_ ? host_->typeOf(id_) : 0; }
    bool isInstanceOf(int32_t t) const { return host_ && host_->isInstanceOf(id_, t); }
    std::string name() const { return host_ ? host_->nameOf(id_) : std::string{}; }
    void setName(const std::string& n) const {
        if (host_) host_->setName(id_, n);
    }
    Document document() const;

    bool getParameter(const DescID& id, Value& out) const { return host_ && host_->getParameter(id_, id, out); }
    bool setParameter(const DescID& id, const Value& v, int32_t flags = 0) const {
        return host_ && host_->setParameter(id_, id, v, flags);
    }
    Container data() const { return host_ ? host_->dataOf(id_) : Container{}; }
    void setData(const Container& c) const {
        if (host_) host_->setDataOf(id_, c);
    }
    bool message(int32_t type, void* data = nullptr) const { return host_ && host_->sendMessage(id_, type, data); }
    bool changedSinceLastCheck(int32_t dirtyFlag) const {
        return host_ && host_->changedSinceLastCheck(id_, dirtyFlag);
    }
    /// Frees a node outside any document.
    bool free() const { return host_ && host_->freeNode(id_); }
    bool remove() const { return host_ && host_->remove(id_); }

  protected:
    Host* host_ = nullptr;
    NodeId id_ = NoNode;
};

class Object : public Node {
  public:
    using Node::Node;

    Object parent() const { return {host_, host_ ? host_->parentOf(id_) : NoNode}; }
    Object firstChild() const { return {host_, host_ ? host_->firstChild(id_) : NoNode}; }
    Object lastChild() const { return {host_, host_ ? host_->lastChild(id_) : NoNode}; }
    Object next() const { return {host_, host_ ? host_->nextSibling(id_) : NoNode}; }
    Object previous() const { return {host_, host_ ? host_->previousSibling(id_) : NoNode}; }
    bool isAncestorOf(const Object& o) const { return host_ && host_->isAncestorOf(id_, o.id()); }

    Matrix globalMatrix() const { return host_ ? host_->globalMatrix(id_) : Matrix{}; }
    void setGlobalMatrix(const Matrix& m) const {
        if (host_) host_->setGlobalMatrix(id_, m);
    }
    Matrix localMatrix() const { return host_ ? host_->localMatrix(id_) : Matrix{}; }
    void setLocalMatrix(const Matrix& m) const {
        if (host_) host_->setLocalMatrix(id_, m);
    }
    Vector globalPosition() const { return globalMatrix().off; }
    void setLocalPosition(const Vector& v) const { setParameter(DescID(param::RelativePosition), v); }
    void setLocalScale(const Vector& v) const { setParameter(DescID(param::RelativeScale), v); }
    /// Heading, pitch, bank in radians.
    void setLocalRotation(const Vector& hpb) const { setParameter(DescID(param::RelativeRotation), hpb); }
    Object deformCache() const { return {host_, host_ ? host_->deformCache(id_) : NoNode}; }

    Tag tag(int32_t tagType, int32_t n = 0) const;
    std::vector<Tag> tags() const;
    bool insertTag(const Tag& tag, const Tag& pred) const;
    bool insertTag(const Tag& tag) const;

    /// Inserts this free object as last (or first) child of parent.
    bool insertUnderLast(const Object& parent) const;
    bool insertUnder(const Object& parent) const;
    /// Inserts this free object just before `next`, which must be in a document.
    bool insertBefore(const Object& next) const { return host_ && host_->insertBefore(id_, next.id()); }
    Object clone() const { return {host_, host_ ? host_->cloneNode(id_) : NoNode}; }
};

class Tag : public Node {
  public:
    using Node::Node;
    Object object() const { return {host_, host_ ? host_->tagObject(id_) : NoNode}; }
};

class Document : public Node {
  public:
    using Node::Node;

    Object firstObject() const { return {host_, host_ ? host_->firstObject(id_) : NoNode}; }
    Object activeObject() const { return {host_, host_ ? host_->activeObject(id_) : NoNode}; }
    std::vector<Object> activeObjects(int32_t flags) const;
    bool startUndo() const { return host_ && host_->startUndo(id_); }
    bool endUndo() const { return host_ && host_->endUndo(id_); }
    bool addUndo(int32_t kind, const Node& node) const { return host_ && host_->addUndo(id_, kind, node.id()); }
    /// Inserts a free object at the top level (parent empty) or under parent.
    bool insertLast(const Object& object, const Object& parent = {}) const {
        return host_ && host_->insertLast(id_, object.id(), parent.id());
    }
    bool insertFirst(const Object& object, const Object& parent = {}) const {
        return host_ && host_->insertFirst(id_, object.id(), parent.id());
    }
    Node sceneHook(int32_t hookId) const { return {host_, host_ ? host_->sceneHook(id_, hookId) : NoNode}; }
    /// Resolves a link in this document: the object when it exists and is inserted here.
    Object resolve(NodeId id) const;
    Tag resolveTag(NodeId id) const;
};

/// The host's active document.
Document activeDocument(Host& host);

} // namespace flumpet::host
