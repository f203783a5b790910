// Reading the values of `flumpet run` steps, and the one form of a step's error.
#pragma once

#include "host/math.h"
#include "host/values.h"
#include "run_steps.h"

#include <cstdint>
#include <optional>
#include <string>

namespace flumpet::app {

/// Throws CommandError naming the step (its option and argument) and what is wrong.
[[noreturn]] void fail(const Step& step, const std::string& what);

/// The whole text as a 32-bit integer.
std::optional<int32_t> parseInt(const std::string& text);
/// The whole text as a finite number.
std::optional<double> parseFloat(const std::string& text);
/// true/on/yes/1 or false/off/no/0.
std::optional<bool> parseBool(const std::string& text);
/// "x,y,z": three finite numbers.
std::optional<host::Vector> parseVector(const std::string& text);
/// "x:y;x:y;...": the knots of a curve, at least one, each two finite numbers.
std::optional<host::SplineCurve> parseCurve(const std::string& text);

} // namespace flumpet::app
