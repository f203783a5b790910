// Every page and anchor that help opens exists in the user guide (docs/).
#include "help.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace flumpet::test {
namespace {

/// The anchor a heading gets: lower case, punctuation dropped, blanks as hyphens.
std::string anchorOf(const std::string& heading) {
    std::string out;
    for (char c : heading) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '_') out += static_cast<char>(std::tolower(u));
        else if (c == ' ' && !out.empty() && out.back() != '-') out += '-';
    }
    return out;
}

std::set<std::string> anchorsOf(const std::filesystem::path& page) {
    std::ifstream in(page);
    std::set<std::string> anchors;
    for (std::string line; std::getline(in, line);)
        if (line.rfind('#', 0) == 0) anchors.insert(anchorOf(line.substr(line.find_first_not_of('#'))));
    return anchors;
}

TEST(HelpPages, EveryHelpAddressHasItsPageAndAnchor) {
    const std::pair<const char*, const char*> asked[] = {
        {"SETTINGS_BODY_GROUP", ""},
        {"", "SETTINGS_RETARGET_CHARACTER_MESH"},
        {"", "CUBES_COLLIDERS"},
        {"", "CUBES_COLLIDERS2"},
        {"SETTINGS_CONTROL_GROUP", ""},
        {"", "SETTINGS_CONTROL_ADD_SELECTED"},
        {"", "CONNECTOR_MODE"},
        {"", "ADDITIONAL_SETTINGS_CONTROL_BOOL"},
        {"", "ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY"},
        {"", "ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS"},
        {"", "ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION"},
        {"", "SETTINGS_CREATED_OBJECTS"},
        {"", "ADDITIONAL_InEx_CREATED_OBJECTS"},
        {"", "1131"}, {"", "1140"}, {"", "1132"}, {"", "1137"}, {"", "1133"}, {"", "1141"},
    };
    for (const auto& [group, parameter] : asked) {
        const std::string address = helpAddress(group, parameter);
        SCOPED_TRACE(address);
        const size_t docs = address.find("/docs/");
        ASSERT_NE(docs, std::string::npos);
        std::string page = address.substr(docs + 6);
        std::string anchor;
        if (const size_t hash = page.find('#'); hash != std::string::npos) {
            anchor = page.substr(hash + 1);
            page.erase(hash);
        }
        while (!page.empty() && page.back() == '/') page.pop_back();
        const std::filesystem::path file = std::filesystem::path(FLUMPET_DOCS_DIR) / (page + ".md");
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        if (!anchor.empty()) {
            EXPECT_TRUE(anchorsOf(file).count(anchor)) << anchor << " in " << file;
        }
    }
}

} // namespace
} // namespace flumpet::test
