#include "scene/page_script.h"

#include <map>
#include <set>
#include <sstream>

namespace flumpet::scene {

namespace {

bool isIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isIdentChar(char c) {
    return isIdentStart(c) || (c >= '0' && c <= '9');
}
bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

/// Reads one line's tokens; every reader answers false at the first thing it does not expect.
class LineReader {
  public:
    explicit LineReader(const std::string& line) : s_(line) {}

    bool atEnd() const { return pos_ == s_.size(); }
    void skipBlanks() {
        while (pos_ < s_.size() && s_[pos_] == ' ')
            ++pos_;
    }
    bool identifier(std::string& out) {
        if (atEnd() || !isIdentStart(s_[pos_])) return false;
        const size_t begin = pos_;
        while (pos_ < s_.size() && isIdentChar(s_[pos_]))
            ++pos_;
        out = s_.substr(begin, pos_ - begin);
        return true;
    }
    bool literal(std::string& out, std::string& error) {
        if (atEnd() || (s_[pos_] != '"' && s_[pos_] != '\'')) return false;
        const char quote = s_[pos_++];
        const size_t begin = pos_;
        while (pos_ < s_.size() && s_[pos_] != quote) {
            const char c = s_[pos_];
            if (c == '\\' || c == '"' || c == '\'' || isControl(c)) {
                error = "character " + std::to_string(static_cast<unsigned char>(c)) +
                        " is not allowed in a string";
                return false;
            }
            ++pos_;
        }
        if (atEnd()) {
            error = "string not closed";
            return false;
        }
        out = s_.substr(begin, pos_ - begin);
        ++pos_;
        return true;
    }
    bool expect(const std::string& text) {
        if (s_.compare(pos_, text.size(), text) != 0) return false;
        pos_ += text.size();
        return true;
    }
    bool peek(char c) const { return !atEnd() && s_[pos_] == c; }

  private:
    const std::string& s_;
    size_t pos_ = 0;
};

const std::set<std::string> modules = {"webbrowser", "maxon"};

} // namespace

bool parsePageScript(const std::string& code, PageScript& out, std::string& error) {
    out = {};
    std::set<std::string> imported;
    std::map<std::string, std::string> texts;
    std::istringstream in(code);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            out = {};
            return false;
        };
        for (char c : line)
            if (isControl(c))
                return fail("control character " + std::to_string(static_cast<unsigned char>(c)));
        LineReader r(line);
        if (line.empty()) continue;
        std::string first;
        if (!r.identifier(first)) return fail("invalid syntax");
        if (first == "import") {
            std::string module;
            if (!r.peek(' ')) return fail("invalid syntax");
            r.skipBlanks();
            if (!r.identifier(module)) return fail("invalid syntax");
            r.skipBlanks();
            if (!r.atEnd()) return fail("invalid syntax");
            if (!modules.count(module)) return fail("no module named '" + module + "'");
            imported.insert(module);
            continue;
        }
        if (r.expect(".open(")) {
            if (first != "webbrowser") return fail("'" + first + "' has no operation 'open'");
            if (!imported.count("webbrowser")) return fail("name 'webbrowser' is not defined");
            std::string address, name, why;
            if (r.identifier(name)) {
                const auto it = texts.find(name);
                if (it == texts.end()) return fail("name '" + name + "' is not defined");
                address = it->second;
            } else if (!r.literal(address, why)) {
                return fail(why.empty() ? "invalid syntax" : why);
            }
            if (!r.expect(")")) return fail("invalid syntax");
            r.skipBlanks();
            if (!r.atEnd()) return fail("invalid syntax");
            out.pages.push_back(address);
            continue;
        }
        r.skipBlanks();
        if (!r.expect("=")) return fail("invalid syntax");
        r.skipBlanks();
        std::string value, why;
        if (!r.literal(value, why)) return fail(why.empty() ? "only strings can be assigned" : why);
        r.skipBlanks();
        if (!r.atEnd()) return fail("invalid syntax");
        if (modules.count(first)) return fail("'" + first + "' cannot be assigned");
        texts[first] = value;
    }
    return true;
}

} // namespace flumpet::scene
