#include "module_fixture.h"

#include "help.h"
#include "parameters.h"

namespace flumpet::test {
namespace {

using host::DescID;

// The pages opened so far, and the scripts that opened them.
struct HelpFixture : ModuleFixture {
    const std::vector<std::string>& pages() { return engine.feedback().openedPages; }
    size_t scripts() { return engine.scriptEngine().runs().size(); }
};

TEST(Help, TableLaterRowsWin) {
    HelpFixture f;
    const std::string& base = documentationBase();
    struct Case {
        const char* group;
        const char* parameter;
        std::string address;
    };
    const Case cases[] = {
        {"SETTINGS_BODY_GROUP", "BODY_BONE_3", base + "/docs/retarget-menu/"},
        {"SETTINGS_LEGS_GROUP", "LEG_B_BONE_4", base + "/docs/retarget-menu/"},
        {"SETTINGS_CONTROL_GROUP", "SETTINGS_CONTROL_FOLLOW_POSITION",
         base + "/docs/controlling-flumpet/#follow-animation"},
        {"SETTINGS_CONTROL_GROUP", "SETTINGS_CONTROL_ADD_SELECTED",
         base + "/docs/controlling-flumpet/#add-selected"},
        {"ADDITIONAL_SETTINGS_CONTROL_GROUP", "ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION",
         base + "/docs/advanced-tab/#follow-position-follow-rotation"},
        {"ADVANCED_TAB_GROUP", "CUBES_COLLIDERS2", documentationBasePlain() + "/docs/advanced-tab/#cubesadv"},
        {"SETTINGS_BODY_GROUP", "SETTINGS_RETARGET_CHARACTER_MESH",
         base + "/docs/main-character-mesh-requirements"},
        {"1136", "1132", base + "/docs/rope/#rope-radius"},
        {"1139", "1140", base + "/docs/rope/#amount-distribution"},
        {"ABOUT_TAB_GROUP", "VERSION_TEXT", ""},
        {"", "1132 ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " / " + c.parameter);
        EXPECT_EQ(helpAddress(c.group, c.parameter), c.address);
        const size_t before = f.pages().size();
        EXPECT_EQ(helpLookup("OFLUMPET", "Obase", c.group, c.parameter), !c.address.empty());
        if (c.address.empty()) {
            EXPECT_EQ(f.pages().size(), before);
        } else {
            ASSERT_EQ(f.pages().size(), before + 1);
            EXPECT_EQ(f.pages().back(), c.address);
        }
    }
    EXPECT_EQ(documentationBasePlain().rfind("http://", 0), 0u);
}

TEST(Help, OtherObjectTypesBuildNoScript) {
    HelpFixture f;
    EXPECT_FALSE(helpLookup("OCUBE", "Obase", "SETTINGS_BODY_GROUP", "1132"));
    EXPECT_FALSE(helpLookup("Oflumpet", "Obase", "SETTINGS_BODY_GROUP", "1132"));
    EXPECT_EQ(f.scripts(), 0u);
    EXPECT_TRUE(f.pages().empty());
}

// The host's attribute editor asks for help on a parameter: symbols come from the resource,
// run-time entries are named by their id.
TEST(Help, HostAsksForHelpOnGeneratorParameters) {
    HelpFixture f;
    host::Object g = f.addGenerator();
    const std::string& base = documentationBase();
    EXPECT_TRUE(f.engine.pluginRegistry().help(g.id(), DescID(ROPE_RADIUS)));
    EXPECT_TRUE(f.engine.pluginRegistry().help(g.id(), DescID(BODY_BONE_2)));
    EXPECT_TRUE(f.engine.pluginRegistry().help(g.id(), DescID(SETTINGS_CONTROL_ADD_SELECTED)));
    EXPECT_FALSE(f.engine.pluginRegistry().help(g.id(), DescID(CMD_BAKE)));
    EXPECT_EQ(f.pages(),
              (std::vector<std::string>{base + "/docs/rope/#rope-radius", base + "/docs/retarget-menu/",
                                        base + "/docs/controlling-flumpet/#add-selected"}));
}

TEST(Help, PageScriptsAreExact) {
    const std::string& base = documentationBase();
    EXPECT_EQ(pageOpenerScript("https://a.example/docs/rope/#ends-fixed"),
              "import webbrowser\nURL = \"https://a.example/docs/rope/#ends-fixed\"\nwebbrowser.open(URL)\n");
    EXPECT_EQ(documentationButtonScript(CMD_OPEN_DOCS),
              "import webbrowser\nimport maxon \nURL = '" + base + "/docs/'\nwebbrowser.open(URL)");
    EXPECT_EQ(documentationButtonScript(CMD_OPEN_SITE),
              "import webbrowser\nimport maxon \nURL = '" + base + "/'\nwebbrowser.open(URL)");
    EXPECT_EQ(documentationButtonScript(CMD_CREATE), "");
}

TEST(Help, DocumentationButtonsOpenTheirPages) {
    HelpFixture f;
    runScript(documentationButtonScript(CMD_OPEN_DOCS), host::activeDocument(f.engine));
    runScript(documentationButtonScript(CMD_OPEN_SITE), host::activeDocument(f.engine));
    const std::string& base = documentationBase();
    EXPECT_EQ(f.pages(), (std::vector<std::string>{base + "/docs/", base + "/"}));
}

// An address that carries quotes, backslashes or line breaks must open that address (encoded)
// and nothing else; it can never end the script's string.
TEST(Help, AddressCannotBreakOutOfThePageScript) {
    HelpFixture f;
    struct Case {
        std::string address, opened;
    };
    const Case cases[] = {
        {"https://x.example/a\"\nimport os\nos.system('rm')\n#",
         "https://x.example/a%22%0Aimport%20os%0Aos.system(%27rm%27)%0A#"},
        {"https://x.example/a\\\"b", "https://x.example/a%5C%22b"},
        {"https://x.example/a'b\rc\td", "https://x.example/a%27b%0Dc%09d"},
        {"https://x.example/\xc3\xa9", "https://x.example/%C3%A9"},
        {"https://x.example/plain/path?q=1&r=%20#frag", "https://x.example/plain/path?q=1&r=%20#frag"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened);
        const size_t before = f.pages().size();
        openUrlInBrowser(host::Url(c.address));
        ASSERT_EQ(f.pages().size(), before + 1);
        EXPECT_EQ(f.pages().back(), c.opened);
        const scene::ScriptRun& run = f.engine.scriptEngine().runs().back();
        EXPECT_TRUE(run.succeeded);
        EXPECT_EQ(run.code, "import webbrowser\nURL = \"" + c.opened + "\"\nwebbrowser.open(URL)\n");
    }
}

TEST(Help, ScriptRunBindsDocumentActiveObjectAndName) {
    HelpFixture f;
    runScript(documentationButtonScript(CMD_OPEN_SITE), f.doc);
    ASSERT_EQ(f.scripts(), 1u);
    const scene::ScriptRun* run = &f.engine.scriptEngine().runs().back();
    EXPECT_EQ(run->name, "Python Script");
    EXPECT_EQ(run->bindings.at("doc"), "document " + std::to_string(f.doc.id()));
    EXPECT_EQ(run->bindings.at("op"), "None");
    EXPECT_EQ(run->bindings.at("__name__"), "text __main__");
    EXPECT_TRUE(run->succeeded);
    EXPECT_EQ(f.engine.scriptEngine().preparations(), 1);
    EXPECT_FALSE(f.engine.scriptEngine().locked());

    host::Object selected = f.addNull("Picked");
    f.engine.setSelected(selected.id(), true);
    runScript(documentationButtonScript(CMD_OPEN_SITE), f.doc);
    run = &f.engine.scriptEngine().runs().back();
    EXPECT_EQ(run->bindings.at("op"), "object " + std::to_string(selected.id()));

    // Without a document only the name is bound.
    runScript(documentationButtonScript(CMD_OPEN_SITE), host::Document());
    run = &f.engine.scriptEngine().runs().back();
    EXPECT_EQ(run->bindings.count("doc"), 0u);
    EXPECT_EQ(run->bindings.count("op"), 0u);
    EXPECT_TRUE(run->succeeded);
}

TEST(Help, FailingScriptIsReportedByTheEngineAlone) {
    HelpFixture f;
    runScript("import os\nos.system('x')\n", f.doc);
    ASSERT_EQ(f.scripts(), 1u);
    EXPECT_FALSE(f.engine.scriptEngine().runs().back().succeeded);
    ASSERT_EQ(f.engine.feedback().consoleLines.size(), 1u);
    EXPECT_EQ(f.engine.feedback().consoleLines[0], "Python Script, line 1: no module named 'os'");
    EXPECT_TRUE(f.pages().empty());

    runScript("", f.doc);
    EXPECT_EQ(f.scripts(), 1u);
}

} // namespace
} // namespace flumpet::test

namespace flumpet::test {
namespace {

// A host whose scripting services fail on purpose: no virtual machine and no address parser.
class BrokenScripting : public host::ScriptServices {
  public:
    host::VirtualMachine* virtualMachine(const std::string&, std::string& error) override {
        error = "no machine here";
        return nullptr;
    }
    void prepareExecution(int32_t, int32_t, int32_t) override { ++preparations; }
    bool parseUrl(const std::string&, host::Url&, std::string& error) override {
        error = "addresses are not understood here";
        return false;
    }
    int preparations = 0;
};

class EngineWithBrokenScripting : public scene::Engine {
  public:
    host::ScriptServices& scripting() override { return broken; }
    BrokenScripting broken;
};

TEST(Help, FailuresOfTheScriptingServicesAreReported) {
    EngineWithBrokenScripting engine;
    ASSERT_TRUE(engine.loadModule(&c4d_main)) << engine.lastError();

    EXPECT_FALSE(helpLookup("OFLUMPET", "Obase", "SETTINGS_BODY_GROUP", "BODY_BONE_1"));
    EXPECT_EQ(engine.feedback().statusTexts, std::vector<std::string>{"addresses are not understood here"});

    runScript(documentationButtonScript(CMD_OPEN_DOCS), host::activeDocument(engine));
    EXPECT_EQ(engine.feedback().consoleLines, std::vector<std::string>{"Flumpet Error: no machine here"});
    EXPECT_EQ(engine.broken.preparations, 0);
    EXPECT_TRUE(engine.feedback().openedPages.empty());
    engine.unloadModule();
}

} // namespace
} // namespace flumpet::test
