// A scene whose engine has loaded the module through its entry, with helpers for generators.
#pragma once

#include "host/description.h"
#include "main.h"
#include "scene/scene_fixture.h"

#include <gtest/gtest.h>

namespace flumpet::test {

struct ModuleFixture : SceneFixture {
    ModuleFixture() { EXPECT_TRUE(engine.loadModule(&c4d_main)) << engine.lastError(); }

    /// A new generator, initialised by the module, inserted at the top level.
    host::Object addGenerator() {
        host::Object g(&engine, engine.allocObject(PluginId));
        doc.insertLast(g);
        return g;
    }
    /// The generator's whole description as the attribute editor builds it.
    host::Description describe(const host::Object& generator) {
        host::Description d;
        int32_t flags = 0;
        EXPECT_TRUE(engine.pluginRegistry().describe(generator.id(), nullptr, d, flags));
        return d;
    }
};

} // namespace flumpet::test
