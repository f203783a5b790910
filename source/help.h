// Help on the generator's parameters and the documentation buttons: pages are opened by a short
// script run in the host's scripting engine.
#pragma once

#include "host/nodes.h"
#include "host/scripting.h"

#include <cstdint>
#include <string>

namespace flumpet {

/// The scripting engine the page scripts run in.
inline constexpr const char* ScriptMachineId = "net.maxon.python.virtualmachine.c4dpy3";

/// The documentation site (scheme and host, no trailing slash); a build setting.
const std::string& documentationBase();
/// The same site over the unencrypted scheme.
std::string documentationBasePlain();

/// The help page of a parameter from its group's and its own symbol; empty when none. Rows are
/// tested in order and a later match replaces an earlier one.
std::string helpAddress(const std::string& group, const std::string& parameter);

/// The help callback: opens the page of a parameter of the generator. False for other object
/// types and for parameters without a page, so that the host shows its own help.
bool helpLookup(const std::string& objectType, const std::string& baseType, const std::string& group,
                const std::string& parameter);

/// The address made safe to stand between quotes in a script: every character that an address
/// may not carry unescaped, and both quote characters, are percent-encoded. Addresses made of
/// legal characters only pass unchanged.
std::string scriptSafeAddress(const std::string& address);
/// The page opener: imports the browser module, names the address URL and opens it.
std::string pageOpenerScript(const std::string& address);
/// The script of a documentation button (CMD_OPEN_DOCS, CMD_OPEN_SITE); empty for other ids.
std::string documentationButtonScript(int32_t button);
/// Opens an address in the system's browser through the scripting engine.
void openUrlInBrowser(const host::Url& address);
/// Runs a script in the host's scripting engine with doc and op bound when a document is given.
void runScript(const std::string& script, const host::Document& document);

} // namespace flumpet
