#include "module_fixture.h"

#include "host/ids.h"

#include <cstdint>
#include <filesystem>

namespace flumpet::test {
namespace {

void* word(uint64_t v) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(v));
}

// The whole life of the module, driven through its entry one call at a time; each step checks
// the answer and what it left behind.
TEST(ModuleEntry, LifeCycleTable) {
    scene::Engine engine;
    host::Host* host = &engine;
    host::HostInfo old{2022999}, oldest{1}, lowest{2023000};
    auto bound = [&] { return boundHost() == host; };
    auto resource = [&] { return engine.pluginRegistry().resourceLoaded(); };
    auto generator = [&] { return engine.knowsType(PluginId, scene::NodeKind::Object); };

    struct Step {
        const char* what;
        int32_t action;
        void* p1;
        void* p3;
        int32_t answer;
        std::function<bool()> after;
    };
    const Step steps[] = {
        {"version below the lowest is refused", 1, &old, host, -3, [&] { return !bound(); }},
        {"end balances the refused initialise", 3, nullptr, nullptr, 1, [&] { return !bound(); }},
        {"no host interface is refused", 1, &lowest, nullptr, -3, [&] { return !bound(); }},
        {"end again", 3, nullptr, nullptr, 1, [&] { return !bound(); }},
        {"the lowest version is accepted", 1, &lowest, host, 1, [&] { return bound(); }},
        {"a second initialise checks nothing", 1, &oldest, nullptr, 1, [&] { return bound(); }},
        {"interface version", 4, nullptr, nullptr, 5, nullptr},
        {"action 5 is unknown", 5, nullptr, nullptr, -1, nullptr},
        {"action 7 is unknown", 7, nullptr, nullptr, -1, nullptr},
        {"module message 2 is not handled", 6, word(2), nullptr, -1, [&] { return !resource(); }},
        {"module message 450000215 answers true", 6, word(450000215), nullptr, 1, nullptr},
        {"only the low 32 bits carry the message", 6, word((uint64_t{7} << 32) | 450000215u), nullptr, 1,
         nullptr},
        {"module message 1 loads the resource", 6, word(1), nullptr, 1, [&] { return resource(); }},
        {"module message 1 again keeps it", 6, word(1), nullptr, 1, [&] { return resource(); }},
        {"start registers the generator", 2, nullptr, nullptr, 1, [&] { return generator(); }},
        {"an end that leaves the counter above 0 releases nothing", 3, nullptr, nullptr, 1,
         [&] { return bound() && resource(); }},
        {"the last end releases resource and binding", 3, nullptr, nullptr, 1,
         [&] { return !bound() && !resource(); }},
        {"without a binding the resource cannot load", 6, word(1), nullptr, -1, [&] { return !resource(); }},
        {"an end without initialise changes nothing", 3, nullptr, nullptr, 1, [&] { return !bound(); }},
        {"and the next initialise binds again", 1, &lowest, host, 1, [&] { return bound(); }},
        {"final end", 3, nullptr, nullptr, 1, [&] { return !bound(); }},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(c4d_main(s.action, s.p1, nullptr, s.p3), s.answer);
        if (s.after) {
            EXPECT_TRUE(s.after());
        }
    }
}

TEST(ModuleEntry, EngineLoadsAndEndsTheModule) {
    scene::Engine engine;
    ASSERT_TRUE(engine.loadModule(&c4d_main)) << engine.lastError();
    EXPECT_EQ(boundHost(), &engine);
    const host::ObjectPlugin* plugin = engine.pluginRegistry().objectPlugin(PluginId);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->name, "Flumpet");
    EXPECT_EQ(plugin->description, "Oflumpet");
    EXPECT_EQ(plugin->info, 4);
    EXPECT_EQ(plugin->diskLevel, 0);
    ASSERT_NE(plugin->icon, nullptr);
    EXPECT_EQ(plugin->icon->width, 64);
    EXPECT_EQ(plugin->icon->height, 64);
    // A second engine in the same process must not steal the module's binding.
    scene::Engine other;
    EXPECT_FALSE(other.loadModule(&c4d_main));
    EXPECT_EQ(boundHost(), &engine);

    engine.unloadModule();
    EXPECT_EQ(boundHost(), nullptr);
    EXPECT_FALSE(engine.pluginRegistry().resourceLoaded());
}

TEST(ModuleEntry, OldHostIsRefused) {
    scene::Engine engine;
    engine.setVersion(2022999);
    EXPECT_FALSE(engine.loadModule(&c4d_main));
    EXPECT_EQ(boundHost(), nullptr);
    EXPECT_FALSE(engine.knowsType(PluginId, scene::NodeKind::Object));
    // Refusal left the module's counter balanced: a current host binds it afterwards.
    engine.setVersion(scene::Engine::Version);
    EXPECT_TRUE(engine.loadModule(&c4d_main)) << engine.lastError();
}

bool foreignHelp(const std::string&, const std::string&, const std::string&, const std::string&) {
    return true;
}

TEST(ModuleEntry, RefusedHelpRegistrationStopsTheStart) {
    scene::Engine engine;
    ASSERT_TRUE(engine.pluginRegistry().registerHelp(PluginId, &foreignHelp));
    EXPECT_FALSE(engine.loadModule(&c4d_main));
    EXPECT_FALSE(engine.knowsType(PluginId, scene::NodeKind::Object));
    EXPECT_EQ(boundHost(), nullptr);
}

TEST(ModuleEntry, MissingResourceIsReportedAndLeavesNoGenerator) {
    scene::Engine engine;
    engine.pluginRegistry().setModuleFolder(
        (std::filesystem::temp_directory_path() / "flumpet-no-such-module").string());
    ASSERT_TRUE(engine.loadModule(&c4d_main));
    EXPECT_FALSE(engine.pluginRegistry().resourceLoaded());
    EXPECT_FALSE(engine.knowsType(PluginId, scene::NodeKind::Object));
    ASSERT_FALSE(engine.feedback().consoleLines.empty());
    EXPECT_NE(engine.feedback().consoleLines.back().find("flumpet-no-such-module"), std::string::npos);
}

} // namespace
} // namespace flumpet::test
