#include "rope/selected_chains.h"

#include "host/ids.h"

#include <algorithm>

namespace flumpet {

namespace {

std::vector<host::Object> selectedJoints(const host::Document& doc, int32_t flags) {
    std::vector<host::Object> joints;
    for (const host::Object& o : doc.activeObjects(flags))
        if (o.type() == host::type::Joint) joints.push_back(o);
    return joints;
}

/// The joints from `top` down to `bottom` (a descendant of top), top first.
JointChain chainBetween(const host::Object& top, const host::Object& bottom) {
    JointChain chain{bottom};
    for (host::Object at = bottom.parent(); at.alive(); at = at.parent()) {
        if (at.type() == host::type::Joint) chain.push_back(at);
        if (at == top) break;
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

/// The chain that grows down from `start` along first children. A non-joint child is stepped
/// over to its next sibling, which continues the chain when it is a joint and ends it when it is
/// not; a non-joint child without siblings is walked through.
JointChain chainDownFrom(const host::Object& start) {
    JointChain chain{start};
    host::Object at = start;
    for (host::Object child = at.firstChild(); child.alive(); child = at.firstChild()) {
        at = child;
        if (at.type() == host::type::Joint) {
            chain.push_back(at);
            continue;
        }
        const host::Object sibling = at.next();
        if (!sibling.alive()) continue;
        if (sibling.type() != host::type::Joint) break;
        at = sibling;
        chain.push_back(at);
    }
    return chain;
}

} // namespace

void collectSelectedChains(host::Host& host, std::vector<JointChain>& chains) {
    chains.clear();
    const host::Document doc = host::activeDocument(host);
    const std::vector<host::Object> picked =
        selectedJoints(doc, host::selection::Children | host::selection::SelectionOrder);
    if (picked.size() > 1) {
        const host::Object& first = picked.front();
        const host::Object& last = picked.back();
        if (first.isAncestorOf(last)) {
            chains.push_back(chainBetween(first, last));
            return;
        }
        if (last.isAncestorOf(first)) {
            chains.push_back(chainBetween(last, first));
            return;
        }
    }
    for (const host::Object& joint : selectedJoints(doc, host::selection::SelectionOrder))
        chains.push_back(chainDownFrom(joint));
}

} // namespace flumpet
