// A node's description: the entries the attribute editor shows, each with its identifier, the
// group it sits in and its properties (host::descprop keys).
#pragma once

#include "host/values.h"

#include <optional>
#include <string>
#include <vector>

namespace flumpet::host {

class Description {
  public:
    struct Entry {
        /// The parameter; its first level carries the value type.
        DescID id;
        /// The group the entry sits in; empty at the top.
        DescID parent;
        Container properties;
        /// The resource's symbol of the entry; empty for entries added at run time.
        std::string symbol;
    };

    Description() = default;
    /// A description asked for one identifier only.
    explicit Description(DescID single) : single_(std::move(single)) {}

    /// The one identifier the host asks for; null when it wants the whole description.
    const DescID* singleId() const { return single_ ? &*single_ : nullptr; }
    /// Whether a step that creates or changes id should run: always for a whole description,
    /// else when id is the asked identifier or a leading part of it.
    bool wants(const DescID& id) const { return !single_ || id.isPartOf(*single_); }

    /// The entry of a parameter (matched by its first-level id), null when absent.
    const Entry* find(const DescID& id) const;
    Entry* find(const DescID& id);
    /// Adds an entry, or replaces the one of the same parameter in its place.
    void set(const DescID& id, Container properties, const DescID& parent, std::string symbol = {});
    const std::vector<Entry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

  private:
    std::optional<DescID> single_;
    std::vector<Entry> entries_;
};

} // namespace flumpet::host
