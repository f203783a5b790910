#include "../rig_fixture.h"
#include "rope/bake_cache.h"
#include "scene/scene_file.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

using HookMessage = scene::Engine::HookMessage;

/// A rig whose created-objects list names one object, so the bake buttons act.
struct BakeScene : RigFixture {
    BakeScene() { addToList(SETTINGS_CREATED_OBJECTS, addNull("Flumpet_Connectors", generator)); }
    host::Node hook() const { return doc.sceneHook(host::hook::DynamicsSettings); }
    void setFrameRate(const host::Value& fps) { doc.setParameter(host::DescID(host::docparam::FrameRate), fps); }
    /// The cache settings as left on the hook: 10062, 10063 and 10064.
    std::tuple<int32_t, int32_t, host::Time> cacheStart() const {
        const host::Container data = hook().data();
        return {data.getInt(host::dynamicshook::CacheStartA, -1), data.getInt(host::dynamicshook::CacheStartB, -1),
                data.getTime(host::dynamicshook::CacheStartTime, {-1, 1})};
    }
};

TEST(BakeCache, EachButtonPressesItsHookButtonAndResetsTheCacheStart) {
    struct Case {
        int32_t button, hookButton;
        const char* status;
        scene::DynamicsCache cache;
    };
    for (const Case c : {Case{CMD_BAKE, host::dynamicshook::Bake, "Baked!", scene::DynamicsCache::Baked},
                         Case{CMD_CLEAR_CACHE, host::dynamicshook::ClearCache, "Cache cleared!",
                              scene::DynamicsCache::Empty}}) {
        SCOPED_TRACE(c.status);
        BakeScene f;
        f.hook().setParameter(host::DescID(host::dynamicshook::CacheStartA), int32_t{7});
        f.hook().setParameter(host::DescID(host::dynamicshook::CacheStartTime), host::Time{12, 30});
        f.setFrameRate(int32_t{24});
        const int64_t refreshes = f.engine.refreshCount();

        EXPECT_TRUE(f.press(c.button));
        const std::vector<HookMessage> expected{
            {host::hook::DynamicsSettings, host::msg::DescriptionCommand, c.hookButton, host::NoNode},
            {host::hook::DynamicsSettings, host::msg::DescriptionUsed, c.hookButton, f.doc.id()}};
        EXPECT_EQ(f.engine.hookPresses(), expected);
        EXPECT_EQ(f.engine.feedback().statusTexts, std::vector<std::string>{c.status});
        EXPECT_EQ(f.cacheStart(), std::make_tuple(0, 0, host::Time{0, 24}));
        EXPECT_EQ(f.engine.dynamicsCache(f.doc.id()), c.cache);
        EXPECT_EQ(f.engine.refreshCount() - refreshes, 2); // after the data is written back, after the press
        // The dynamics' data is written back unchanged.
        const host::Container settings = f.engine.documentSettings(f.doc.id(), host::docsettings::DynamicsKind);
        EXPECT_NE(settings.customData(host::docsettings::DynamicsData, host::docsettings::DynamicsDataType), nullptr);
    }
}

TEST(BakeCache, TheTimeDenominatorIsAWholeFrameRateOfAtLeastOne) {
    const std::pair<host::Value, int64_t> cases[] = {
        {int32_t{30}, 30}, {int32_t{0}, 1}, {int32_t{-5}, 1}, {29.97, 30}, {0.2, 1}};
    for (const auto& [fps, denominator] : cases) {
        BakeScene f;
        f.setFrameRate(fps);
        EXPECT_TRUE(bakeOrClearCache(f.engine, 1, 0));
        EXPECT_EQ(std::get<2>(f.cacheStart()), (host::Time{0, denominator}));
    }
}

TEST(BakeCache, NothingHappensWithAnEmptyListAndTheAnswerIsFalseWithoutOne) {
    RigFixture f;
    f.addToList(SETTINGS_CREATED_OBJECTS, f.generator);
    host::Container data = f.generator.data();
    data.set(SETTINGS_CREATED_OBJECTS, host::InExcludeList{});
    f.generator.setData(data);
    const std::string before = f.save();
    EXPECT_TRUE(f.press(CMD_BAKE));
    EXPECT_TRUE(f.engine.hookPresses().empty());
    EXPECT_TRUE(f.engine.feedback().statusTexts.empty());
    EXPECT_EQ(f.save(), before);

    data.remove(SETTINGS_CREATED_OBJECTS);
    f.generator.setData(data);
    EXPECT_FALSE(f.press(CMD_CLEAR_CACHE));
    EXPECT_TRUE(f.engine.hookPresses().empty());
}

TEST(BakeCache, MissingDynamicsDataChangesNothing) {
    BakeScene f;
    f.engine.setDocumentSettings(f.doc.id(), host::docsettings::DynamicsKind, {});
    const std::string before = f.save();
    EXPECT_FALSE(bakeOrClearCache(f.engine, 1, 0));
    EXPECT_EQ(f.save(), before);
    EXPECT_TRUE(f.engine.feedback().statusTexts.empty());
    EXPECT_TRUE(f.engine.hookPresses().empty());
}

TEST(BakeCache, TheCacheStateAndTheDynamicsDataSurviveAFile) {
    BakeScene f;
    host::Container settings = f.engine.documentSettings(f.doc.id(), host::docsettings::DynamicsKind);
    settings.setCustomData(host::docsettings::DynamicsData,
                           host::CustomData{host::docsettings::DynamicsDataType, {0x00, 0x7f, 0xff}});
    f.engine.setDocumentSettings(f.doc.id(), host::docsettings::DynamicsKind, settings);
    ASSERT_TRUE(f.press(CMD_BAKE));
    const std::string text = f.save();

    // Loaded beside the original (the module lives in one engine), so its ids are new.
    const host::NodeId loaded = scene::loadDocument(f.engine, text);
    EXPECT_EQ(f.engine.dynamicsCache(loaded), scene::DynamicsCache::Baked);
    EXPECT_EQ(f.engine.documentSettings(loaded, host::docsettings::DynamicsKind), settings);
    EXPECT_EQ(f.engine.settingsOf(loaded).size(), f.engine.settingsOf(f.doc.id()).size());
}

} // namespace
} // namespace flumpet::test
