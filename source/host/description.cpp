#include "host/description.h"

#include <algorithm>

namespace flumpet::host {

const Description::Entry* Description::find(const DescID& id) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.id.firstId() == id.firstId(); });
    return it == entries_.end() ? nullptr : &*it;
}

Description::Entry* Description::find(const DescID& id) {
    return const_cast<Entry*>(static_cast<const Description&>(*this).find(id));
}

void Description::set(const DescID& id, Container properties, const DescID& parent, std::string symbol) {
    if (Entry* e = find(id)) {
        e->id = id;
        e->properties = std::move(properties);
        e->parent = parent;
        if (!symbol.empty()) e->symbol = std::move(symbol);
        return;
    }
    entries_.push_back(Entry{id, parent, std::move(properties), std::move(symbol)});
}

} // namespace flumpet::host
