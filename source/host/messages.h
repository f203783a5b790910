// Records that travel with host messages (the data pointer of a message).
#pragma once

#include "host/values.h"

namespace flumpet::host {

/// Message 18: a button was pressed.
struct DescriptionCommand {
    DescID id;
};

} // namespace flumpet::host
