#include "host/nodes.h"

namespace flumpet::host {

Document Node::document() const { return {host_, host_ ? host_->documentOf(id_) : NoNode}; }

Tag Object::tag(int32_t tagType, int32_t n) const { return {host_, host_ ? host_->tagOf(id_, tagType, n) : NoNode}; }

std::vector<Tag> Object::tags() const {
    std::vector<Tag> out;
    if (!host_) return out;
    for (NodeId t : host_->tagsOf(id_)) out.emplace_back(host_, t);
    return out;
}

bool Object::insertTag(const Tag& tag, const Tag& pred) const {
    return host_ && host_->insertTag(id_, tag.id(), pred.id());
}

bool Object::insertTag(const Tag& tag) const { return insertTag(tag, Tag{}); }

bool Object::insertUnderLast(const Object& parent) const {
    return host_ && host_->insertLast(host_->documentOf(parent.id()), id_, parent.id());
}

bool Object::insertUnder(const Object& parent) const {
    return host_ && host_->insertFirst(host_->documentOf(parent.id()), id_, parent.id());
}

std::vector<Object> Document::activeObjects(int32_t flags) const {
    std::vector<Object> out;
    if (!host_) return out;
    for (NodeId o : host_->activeObjects(id_, flags)) out.emplace_back(host_, o);
    return out;
}

Object Document::resolve(NodeId id) const {
    if (!host_ || id == NoNode || host_->documentOf(id) != id_) return {};
    return {host_, id};
}

Tag Document::resolveTag(NodeId id) const {
    if (!host_ || id == NoNode || host_->documentOf(id) != id_) return {};
    return {host_, id};
}

Document activeDocument(Host& host) { return {&host, host.activeDocument()}; }

} // namespace flumpet::host
