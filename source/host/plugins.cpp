#include "host/plugins.h"

namespace flumpet::host {

bool NodeData::initialise(Node) {
    return true;
}
bool NodeData::message(Node, int32_t, void*) {
    return true;
}
bool NodeData::buildDescription(Node, Description&, int32_t&) {
    return true;
}
bool NodeData::describeEnabling(Node, const DescID&, const Value&, int32_t, const Container*) {
    return true;
}
void ObjectData::checkDirty(Object, Document) {}

} // namespace flumpet::host
