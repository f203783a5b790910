// The script language of the embedded scripting engine: just enough to open pages. A script is
// checked whole before anything runs, so a script that fails anywhere does nothing at all.
//
//   import webbrowser            (modules: webbrowser, maxon; trailing blanks allowed)
//   URL = "https://..."          (a name bound to a string in single or double quotes)
//   webbrowser.open(URL)         (opens the named or literal address)
//
// Strings hold no quote, backslash or control character: nothing inside an address can end the
// string or start another statement.
#pragma once

#include <string>
#include <vector>

namespace flumpet::scene {

struct PageScript {
    /// Addresses to open, in order.
    std::vector<std::string> pages;
};

/// Checks a script; false with "line N: reason".
bool parsePageScript(const std::string& code, PageScript& out, std::string& error);

} // namespace flumpet::scene
