#include "help.h"

#include "main.h"
#include "parameters.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string_view>

#ifndef FLUMPET_DOCS_BASE_URL
#error "FLUMPET_DOCS_BASE_URL must be set by the build"
#endif

namespace flumpet {

namespace {

constexpr const char* SecureScheme = "https://";
constexpr const char* PlainScheme = "http://";
constexpr const char* ErrorPrefix = "Flumpet Error: ";

enum class Field { Group, Parameter };

struct HelpRow {
    Field field;
    std::initializer_list<const char*> texts;
    const char* path;
    bool plain = false;
};

const HelpRow helpRows[] = {
    {Field::Group,
     {"SETTINGS_BODY_GROUP", "SETTINGS_ARMS_GROUP", "SETTINGS_LEGS_GROUP"},
     "/docs/retarget-menu/"},
    {Field::Parameter, {"SETTINGS_RETARGET_CHARACTER_MESH"}, "/docs/main-character-mesh-requirements"},
    {Field::Parameter, {"CUBES_COLLIDERS"}, "/docs/create-submenu/#cubes-checkbox"},
    {Field::Parameter, {"CUBES_COLLIDERS2"}, "/docs/advanced-tab/#cubesadv", true},
    {Field::Group, {"SETTINGS_CONTROL_GROUP"}, "/docs/controlling-flumpet/#follow-animation"},
    {Field::Parameter, {"SETTINGS_CONTROL_ADD_SELECTED"}, "/docs/controlling-flumpet/#add-selected"},
    {Field::Parameter, {"SETTINGS_SELECTED_BONES_SELECTED_BONES"}, "/docs/controlling-flumpet/#add-selected"},
    {Field::Parameter, {"CONNECTOR_MODE"}, "/docs/advanced-tab/#mode"},
    {Field::Parameter, {"ADDITIONAL_SETTINGS_CONTROL_BOOL"}, "/docs/advanced-tab/#control"},
    {Field::Parameter, {"ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY"}, "/docs/advanced-tab/#density"},
    {Field::Parameter,
     {"ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS"},
     "/docs/advanced-tab/#rotation-mass"},
    {Field::Parameter,
     {"ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION", "ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION"},
     "/docs/advanced-tab/#follow-position-follow-rotation"},
    {Field::Parameter, {"SETTINGS_CREATED_OBJECTS"}, "/docs/create-submenu/"},
    {Field::Parameter, {"ADDITIONAL_InEx_CREATED_OBJECTS"}, "/docs/advanced-tab/#delete-button"},
    {Field::Parameter, {"1131"}, "/docs/rope/#joints-amount"},
    {Field::Parameter, {"1140"}, "/docs/rope/#amount-distribution"},
    {Field::Parameter, {"1132"}, "/docs/rope/#rope-radius"},
    {Field::Parameter, {"1137"}, "/docs/rope/#radius-scale"},
    {Field::Parameter, {"1133"}, "/docs/rope/#ends-fixed"},
    {Field::Parameter, {"1141"}, "/docs/rope/#piece-instance"},
};

bool isAddressCharacter(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    // Unreserved and reserved characters of an address, and '%' for what is encoded already;
    // the single quote is left out on purpose: it would end a single-quoted script string.
    for (char allowed : std::string_view("-._~:/?#[]@!$&()*+,;=%"))
        if (c == static_cast<unsigned char>(allowed)) return true;
    return false;
}

void consoleError(host::Host& h, const std::string& error) {
    h.consoleLine(ErrorPrefix + error);
}

} // namespace

const std::string& documentationBase() {
    static const std::string base = FLUMPET_DOCS_BASE_URL;
    return base;
}

std::string documentationBasePlain() {
    const std::string& base = documentationBase();
    const std::string secure = SecureScheme;
    if (base.compare(0, secure.size(), secure) == 0) return PlainScheme + base.substr(secure.size());
    return base;
}

std::string helpAddress(const std::string& group, const std::string& parameter) {
    std::string address;
    for (const HelpRow& row : helpRows) {
        const std::string& tested = row.field == Field::Group ? group : parameter;
        for (const char* text : row.texts)
            if (tested == text)
                address = (row.plain ? documentationBasePlain() : documentationBase()) + row.path;
    }
    return address;
}

bool helpLookup(const std::string& objectType, const std::string&, const std::string& group,
                const std::string& parameter) {
    if (objectType != "OFLUMPET") return false;
    const std::string address = helpAddress(group, parameter);
    if (address.empty()) return false;
    host::Host* h = boundHost();
    if (!h) return false;
    host::Url url;
    std::string error;
    if (!h->scripting().parseUrl(address, url, error)) {
        h->statusText(error);
        return false;
    }
    openUrlInBrowser(url);
    return true;
}

std::string scriptSafeAddress(const std::string& address) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (isAddressCharacter(c)) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

std::string pageOpenerScript(const std::string& address) {
    return "import webbrowser\nURL = \"" + scriptSafeAddress(address) + "\"\nwebbrowser.open(URL)\n";
}

std::string documentationButtonScript(int32_t button) {
    std::string address;
    if (button == CMD_OPEN_DOCS)
        address = documentationBase() + "/docs/";
    else if (button == CMD_OPEN_SITE)
        address = documentationBase() + "/";
    else
        return {};
    return std::string("import webbrowser\nimport maxon ") + "\nURL = '" + scriptSafeAddress(address) + "'" +
           "\nwebbrowser.open(URL)";
}

void openUrlInBrowser(const host::Url& address) {
    host::Host* h = boundHost();
    if (!h) return;
    runScript(pageOpenerScript(address.text()), host::activeDocument(*h));
}

void runScript(const std::string& script, const host::Document& document) {
    if (script.empty()) return;
    host::Host* h = boundHost();
    if (!h) return;
    std::string error;
    host::VirtualMachine* vm = h->scripting().virtualMachine(ScriptMachineId, error);
    std::unique_ptr<host::ScriptScope> scope = vm ? vm->createScope(error) : nullptr;
    if (!scope) {
        consoleError(*h, error);
        return;
    }
    if (!scope->init("Python Script", script, error)) return;

    if (document.id() != host::NoNode) {
        // Converted objects are dropped before the lock is released: the lock guard is the
        // first local of this block, so it is destroyed last.
        std::lock_guard<host::VirtualMachine> lock(*vm);
        const std::shared_ptr<host::ScriptObject> doc = vm->convertNode(document.id());
        if (!doc) return;
        if (!scope->bind("doc", doc, error)) {
            consoleError(*h, error);
            return;
        }
        const host::Object active = document.activeObject();
        const std::shared_ptr<host::ScriptObject> op =
            active.id() != host::NoNode ? vm->convertNode(active.id()) : vm->none();
        if (!op) return;
        if (!scope->bind("op", op, error)) {
            consoleError(*h, error);
            return;
        }
    }
    if (!scope->bindText("__name__", "__main__", error)) {
        consoleError(*h, error);
        return;
    }
    h->scripting().prepareExecution(1, 1, 1);
    // A failing script is reported by the engine itself.
    scope->execute();
}

} // namespace flumpet
