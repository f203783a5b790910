// Records that travel with host messages (the data pointer of a message).
#pragma once

#include "host/values.h"

namespace flumpet::host {

/// Message 18: a button was pressed.
struct DescriptionCommand {
    DescID id;
};

/// Message 17: a description element was used, following message 18 for a button pressed on
/// a host node: the document, a zero, and the element's identifier.
struct DescriptionUsed {
    NodeId document = NoNode;
    int32_t zero = 0;
    const DescID* id = nullptr;
};

/// Message 19: a parameter was set; the first field points to its identifier.
struct DescriptionPostSetValue {
    const DescID* descid = nullptr;
};

/// Message 26: may the dragged element be dropped onto the parameter? The handler answers in
/// `result`.
struct DescriptionCheckDragAndDrop {
    DescID id;
    NodeId element = NoNode;
    bool result = false;
};

/// Message 1001078: something happened to the document.
struct DocumentEvent {
    int32_t kind = 0;
};

/// Message 1036464: an element is about to be removed from an in/exclude list parameter.
struct ListElementRemoved {
    DescID id;
    NodeId element = NoNode;
    int32_t index = -1;
};

/// Message 1036465: an element was added to an in/exclude list parameter.
struct ListElementAdded {
    DescID id;
    NodeId element = NoNode;
};

/// Message 431000140: re-apply what depends on the element.
struct ReapplyRequest {
    NodeId element = NoNode;
};

} // namespace flumpet::host
