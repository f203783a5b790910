// The generator's parameters as its description lists them: symbol, value type, default and
// allowed range. `flumpet info --parameters` prints them, `info` fills in defaults from them,
// and `--set` refuses a value outside the range.
#pragma once

#include "host/description.h"
#include "host/values.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace flumpet::app {

struct ParameterInfo {
    int32_t id = 0;
    std::string symbol; ///< empty when the parameter has none
    int32_t type = 0;   ///< host::datatype
    std::string name;   ///< the label the attribute editor shows
    host::Value defaultValue;
    std::optional<double> min, max;             ///< allowed values
    std::optional<double> sliderMin, sliderMax; ///< the slider's span (values beyond it are allowed)
    std::vector<int32_t> choices;               ///< the values of a cycle (a choice list)
};

/// Every value-holding entry of a description (groups left out, buttons kept), in description
/// order. Defaults come from `initial` (a freshly initialised node's container), else from the
/// entry's own default.
std::vector<ParameterInfo> describeParameters(const host::Description& description, const host::Container& initial,
                                              const std::function<std::string(int32_t)>& symbolOf);

/// The name of a value type as people read it ("float", "link" ...).
std::string typeName(int32_t datatype);

/// Why a value is not allowed ("must lie in 0 to 1"), or nothing when it is.
std::optional<std::string> rangeProblem(const ParameterInfo& parameter, const host::Value& value);

/// A value in a short text form ("0.5", "true", "(empty)").
std::string valueText(const host::Value& value);

/// The table `flumpet info --parameters` prints.
std::string parameterTableText(const std::vector<ParameterInfo>& parameters);

} // namespace flumpet::app
