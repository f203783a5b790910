#include "scene/page_script.h"

#include <gtest/gtest.h>

namespace flumpet::scene {
namespace {

TEST(PageScript, RunsThePageOpeners) {
    struct Case {
        std::string code;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        {"import webbrowser\nURL = \"https://a.example/x#y\"\nwebbrowser.open(URL)\n",
         {"https://a.example/x#y"}},
        {"import webbrowser\nimport maxon \nURL = 'https://a.example/'\nwebbrowser.open(URL)",
         {"https://a.example/"}},
        {"import webbrowser\n\nwebbrowser.open('a')\nwebbrowser.open(\"b\")\n", {"a", "b"}},
    };
    for (const Case& c : cases) {
        PageScript s;
        std::string error;
        EXPECT_TRUE(parsePageScript(c.code, s, error)) << error;
        EXPECT_EQ(s.pages, c.pages);
    }
}

// Anything else fails whole: no page of a failing script is opened, not even one before the fault.
TEST(PageScript, RefusesEverythingElse) {
    struct Case {
        std::string code;
        std::string error;
    };
    const Case cases[] = {
        {"import webbrowser\nwebbrowser.open('a')\nimport os\n", "line 3: no module named 'os'"},
        {"import webbrowser\nURL = \"a\" + \"b\"\nwebbrowser.open(URL)\n", "line 2: invalid syntax"},
        {"import webbrowser\nURL = \"a\\\"b\"\n", "line 2: character 92 is not allowed in a string"},
        {"import webbrowser\nURL = \"a'b\"\n", "line 2: character 39 is not allowed in a string"},
        {"import webbrowser\nURL = \"a\rb\"\n", "line 2: control character 13"},
        {"import webbrowser\nURL = \"a\n\"\n", "line 2: string not closed"},
        {"webbrowser.open('a')\n", "line 1: name 'webbrowser' is not defined"},
        {"import webbrowser\nwebbrowser.open(URL)\n", "line 2: name 'URL' is not defined"},
        {"import webbrowser\nwebbrowser.open('a'); x = 1\n", "line 2: invalid syntax"},
        {"import webbrowser\n  webbrowser.open('a')\n", "line 2: invalid syntax"},
        {"import webbrowser\nURL = 42\n", "line 2: only strings can be assigned"},
        {"import webbrowser\nwebbrowser = 'x'\n", "line 2: 'webbrowser' cannot be assigned"},
        {"import maxon\nmaxon.open('a')\n", "line 2: 'maxon' has no operation 'open'"},
        {"exec('print(1)')\n", "line 1: invalid syntax"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        PageScript s;
        std::string error;
        EXPECT_FALSE(parsePageScript(c.code, s, error));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(s.pages.empty());
    }
}

} // namespace
} // namespace flumpet::scene
