// A reference to one of the generator's in/exclude list parameters.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// Reaches a list parameter of the generator through the generator's id, so it never outlives
/// the generator. Absent when the parameter holds no list. Reads are served from a copy taken
/// when the reference is made; inserts write through to the parameter.
class ListRef {
  public:
    ListRef() = default;
    /// The list in the generator's parameter, or an absent reference.
    static ListRef of(const host::Object& generator, int32_t paramId);
    /// Puts an empty list into the parameter when it holds none, then refers to it.
    static ListRef ensure(const host::Object& generator, int32_t paramId);
    /// As ensure, with the new list recorded for undo in the generator's document (inside an
    /// open undo group), so that undo takes it away again.
    static ListRef ensureRecorded(const host::Object& generator, int32_t paramId);
    /// Puts a new, empty list into the parameter (replacing any) and refers to it.
    static ListRef replaceWithEmpty(const host::Object& generator, int32_t paramId);

    bool present() const { return present_; }
    int32_t paramId() const { return paramId_; }
    int32_t count() const { return list_.count(); }
    bool empty() const { return list_.count() == 0; }
    /// The entry at index resolved in doc: an object or a tag inserted there, else empty.
    host::Node at(int32_t index, const host::Document& doc) const;
    bool contains(const host::Node& node) const { return node.id() != host::NoNode && list_.indexOf(node.id()) >= 0; }
    /// Appends the node and writes the list back into the generator.
    void insert(const host::Node& node);
    const host::InExcludeList& list() const { return list_; }

  private:
    host::Object generator_;
    int32_t paramId_ = 0;
    bool present_ = false;
    host::InExcludeList list_;
};

} // namespace flumpet
