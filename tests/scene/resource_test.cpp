#include "scene/resource.h"

#include "host/ids.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace flumpet::scene {
namespace {

namespace fs = std::filesystem;

// A module folder in a temporary place with one description, its strings and a symbol header.
struct ModuleFolder {
    fs::path root = fs::temp_directory_path() / ("flumpet-resource-" + std::to_string(::getpid()));

    ModuleFolder() {
        fs::create_directories(root / "resource" / "description");
        fs::create_directories(root / "resource" / "strings" / "en-US");
    }
    ~ModuleFolder() { fs::remove_all(root); }
    void write(const fs::path& relative, const std::string& text) {
        std::ofstream(root / relative) << text;
    }
    void module(const std::string& entries, const std::string& strings,
                const std::string& header = "inline constexpr int32_t A_GROUP = 10;\n"
                                            "inline constexpr int32_t A_VALUE = 11;\n") {
        write("symbols.h", header);
        write("resource/description/Otest.json", R"({"format": "flumpet-description", "version": 1,
            "name": "Otest", "base": "Obase", "symbols": "symbols.h", "entries": )" +
                                                     entries + "}");
        write("resource/strings/en-US/Otest.json", strings);
    }
};

TEST(Resource, ReadsGroupsLabelsAndProperties) {
    ModuleFolder m;
    m.module(R"([{"group": "A_GROUP", "items": [{"float": "A_VALUE", "min": 0, "slider": [0, 5]}]}])",
             R"({"A_GROUP": "Group", "A_VALUE": "Value"})");
    const ModuleResource r = loadModuleResource(m.root.string());
    const auto& entries = r.descriptions.at("Otest").entries;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].id[0].id, 11);
    EXPECT_EQ(entries[1].id[0].dtype, host::datatype::Real);
    EXPECT_EQ(entries[1].parent.firstId(), 10);
    EXPECT_EQ(entries[1].symbol, "A_VALUE");
    EXPECT_EQ(entries[1].properties.getString(host::descprop::Name), "Value");
    EXPECT_EQ(entries[1].properties.getFloat(host::descprop::MaxSlider), 5.0);
}

TEST(Resource, BrokenResourcesNameFileAndPlace) {
    struct Case {
        std::string entries, strings, header, error;
    };
    const std::string header = "inline constexpr int32_t A_GROUP = 10;\ninline constexpr int32_t A_VALUE = 11;\n";
    const Case cases[] = {
        {R"([{"link": "B_VALUE"}])", "{}", header, "Otest.json: /entries/0: symbol \"B_VALUE\" is not in the symbol header"},
        {R"([{"link": "A_VALUE"}])", "{}", header, "Otest.json: /entries/0: no label for \"A_VALUE\""},
        {R"([{"group": "A_GROUP", "items": [{"link": "A_VALUE", "bool": "A_VALUE"}]}])", R"({"A_GROUP": "G"})", header,
         "Otest.json: /entries/0/items/0: names two value types"},
        {R"([{"link": "A_VALUE", "colour": 3}])", R"({"A_VALUE": "V"})", header, "unknown key \"colour\""},
        {R"([{"link": "A_VALUE"}, {"bool": "A_VALUE"}])", R"({"A_VALUE": "V"})", header, "appears twice"},
        {"[]", "{}", header + "inline constexpr int32_t A_VALUE = 12;\n", "symbols.h:3: symbol A_VALUE is defined twice"},
        {"[]", "{}", header + "inline constexpr int32_t B_VALUE = 11;\n", "symbols.h:3: id 11 is given to two symbols"},
        {"[", "{}", header, "Otest.json: not valid JSON"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        ModuleFolder m;
        m.module(c.entries, c.strings, c.header);
        try {
            loadModuleResource(m.root.string());
            ADD_FAILURE() << "loaded";
        } catch (const ResourceError& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
}

TEST(Resource, UnreadableIconGivesNoBitmap) {
    ModuleFolder m;
    m.write("resource/icon.tiff", "II*\0not really");
    EXPECT_EQ(loadBitmap((m.root / "resource" / "icon.tiff").string()), nullptr);
    EXPECT_EQ(loadBitmap((m.root / "missing.tiff").string()), nullptr);
}

} // namespace
} // namespace flumpet::scene
