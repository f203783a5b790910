#include "step_parsing.h"

#include "object_paths.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace flumpet::app {

void fail(const Step& step, const std::string& what) {
    throw CommandError(step.option + (step.argument.empty() ? "" : " " + step.argument) + ": " + what);
}

std::optional<int32_t> parseInt(const std::string& text) {
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<double> parseFloat(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<bool> parseBool(const std::string& text) {
    if (text == "true" || text == "on" || text == "yes" || text == "1") return true;
    if (text == "false" || text == "off" || text == "no" || text == "0") return false;
    return std::nullopt;
}

std::optional<host::Vector> parseVector(const std::string& text) {
    const auto a = text.find(','), b = text.find(',', a == std::string::npos ? a : a + 1);
    if (a == std::string::npos || b == std::string::npos) return std::nullopt;
    const auto x = parseFloat(text.substr(0, a)), y = parseFloat(text.substr(a + 1, b - a - 1)),
               z = parseFloat(text.substr(b + 1));
    if (!x || !y || !z) return std::nullopt;
    return host::Vector{*x, *y, *z};
}

std::optional<host::SplineCurve> parseCurve(const std::string& text) {
    host::SplineCurve curve;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find(';', at), text.size());
        const std::string knot = text.substr(at, end - at);
        const size_t colon = knot.find(':');
        if (colon == std::string::npos) return std::nullopt;
        const auto x = parseFloat(knot.substr(0, colon)), y = parseFloat(knot.substr(colon + 1));
        if (!x || !y) return std::nullopt;
        curve.insertKnot(*x, *y);
        at = end + 1;
    }
    return curve;
}

} // namespace flumpet::app
