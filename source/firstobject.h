// The generator "Flumpet". It keeps nothing of its own: its whole state is its parameter
// container, so a copy made by the host (clone, undo) is complete without copying the instance.
#pragma once

#include "host/description.h"
#include "host/plugins.h"

#include <memory>

namespace flumpet {

class FirstObject : public host::ObjectData {
  public:
    static std::unique_ptr<host::ObjectData> alloc();

    ~FirstObject() override = default;
    bool initialise(host::Node node) override;
    bool message(host::Node node, int32_t type, void* data) override;
    bool buildDescription(host::Node node, host::Description& description, int32_t& flags) override;
    bool describeEnabling(host::Node node, const host::DescID& id, const host::Value& value, int32_t flags,
                          const host::Container* entryProperties) override;
    void checkDirty(host::Object object, host::Document document) override;
};

/// Adds the rope settings under ROPE_TAB_GROUP, hidden unless the connector mode is the rope mode.
void addRopeEntries(host::PluginServices& plugins, host::Description& description, int32_t connectorMode);

} // namespace flumpet
