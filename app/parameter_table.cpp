#include "parameter_table.h"

#include "host/ids.h"

#include <cmath>
#include <iomanip>
#include <sstream>

namespace flumpet::app {

namespace {

std::optional<double> numberProperty(const host::Container& p, int32_t id) {
    const host::Value* v = p.find(id);
    if (!v) return std::nullopt;
    if (const auto* d = std::get_if<double>(v)) return *d;
    if (const auto* i = std::get_if<int32_t>(v)) return static_cast<double>(*i);
    return std::nullopt;
}

std::string number(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    std::ostringstream out;
    out << std::setprecision(15) << v;
    return out.str();
}

// A stand-in default for a type whose entry names none.
host::Value zeroOf(int32_t type) {
    switch (type) {
    case host::datatype::Long: return int32_t{0};
    case host::datatype::Real: return 0.0;
    case host::datatype::Bool: return false;
    case host::datatype::String: return std::string{};
    case host::datatype::Vector: return host::Vector{};
    case host::datatype::Link: return host::Link{};
    case host::datatype::InExclude: return host::InExcludeList{};
    case host::datatype::SplineCurve: return host::SplineCurve{};
    default: return std::monostate{};
    }
}

} // namespace

std::string typeName(int32_t datatype) {
    switch (datatype) {
    case host::datatype::Long: return "integer";
    case host::datatype::Real: return "float";
    case host::datatype::Time: return "time";
    case host::datatype::Vector: return "vector";
    case host::datatype::Matrix: return "matrix";
    case host::datatype::String: return "text";
    case host::datatype::Link: return "link";
    case host::datatype::Button: return "button";
    case host::datatype::Bool: return "bool";
    case host::datatype::InExclude: return "list";
    case host::datatype::SplineCurve: return "curve";
    default: return "type " + std::to_string(datatype);
    }
}

std::vector<ParameterInfo> describeParameters(const host::Description& description, const host::Container& initial,
                                              const std::function<std::string(int32_t)>& symbolOf) {
    std::vector<ParameterInfo> out;
    for (const host::Description::Entry& e : description.entries()) {
        const int32_t type = e.id[0].dtype;
        if (type == host::datatype::Group) continue;
        ParameterInfo p;
        p.id = e.id.firstId();
        p.type = type;
        p.symbol = !e.symbol.empty() ? e.symbol : (symbolOf ? symbolOf(p.id) : std::string{});
        p.name = e.properties.getString(host::descprop::Name);
        if (const host::Value* v = initial.find(p.id)) p.defaultValue = *v;
        else if (const host::Value* d = e.properties.find(host::descprop::Default); d && type != host::datatype::Bool)
            p.defaultValue = type == host::datatype::Real ? host::Value{numberProperty(e.properties, host::descprop::Default).value_or(0.0)}
                                                          : *d;
        else if (d && type == host::datatype::Bool) p.defaultValue = host::switchValue(*d, false);
        else p.defaultValue = zeroOf(type);
        p.min = numberProperty(e.properties, host::descprop::Min);
        p.max = numberProperty(e.properties, host::descprop::Max);
        p.sliderMin = numberProperty(e.properties, host::descprop::MinSlider);
        p.sliderMax = numberProperty(e.properties, host::descprop::MaxSlider);
        if (const auto cycle = e.properties.getContainer(host::descprop::Cycle); !cycle.values().empty())
            for (const auto& [value, label] : cycle.values()) p.choices.push_back(value);
        out.push_back(std::move(p));
    }
    return out;
}

std::optional<std::string> rangeProblem(const ParameterInfo& p, const host::Value& value) {
    double v = 0;
    if (const auto* d = std::get_if<double>(&value)) v = *d;
    else if (const auto* i = std::get_if<int32_t>(&value)) v = *i;
    else return std::nullopt;
    if (!std::isfinite(v)) return "must be a finite number";
    if (!p.choices.empty()) {
        for (int32_t c : p.choices)
            if (v == c) return std::nullopt;
        return "must be one of " + number(p.choices.front()) + " to " + number(p.choices.back());
    }
    if (p.min && p.max && (v < *p.min || v > *p.max)) return "must lie in " + number(*p.min) + " to " + number(*p.max);
    if (p.min && v < *p.min) return "must be at least " + number(*p.min);
    if (p.max && v > *p.max) return "must be at most " + number(*p.max);
    return std::nullopt;
}

std::string valueText(const host::Value& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) return "-";
            else if constexpr (std::is_same_v<T, int32_t>) return std::to_string(v);
            else if constexpr (std::is_same_v<T, double>) return number(v);
            else if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
            else if constexpr (std::is_same_v<T, std::string>) return "\"" + v + "\"";
            else if constexpr (std::is_same_v<T, host::Vector>) return number(v.x) + "," + number(v.y) + "," + number(v.z);
            else if constexpr (std::is_same_v<T, host::Link>) return v.id == host::NoNode ? "(empty)" : "(a link)";
            else if constexpr (std::is_same_v<T, host::InExcludeList>)
                return v.ids().empty() ? "(empty list)" : std::to_string(v.ids().size()) + " entries";
            else if constexpr (std::is_same_v<T, host::SplineCurve>) {
                std::string out = "curve";
                for (const auto& k : v.knots()) out += " (" + number(k.x) + ", " + number(k.y) + ")";
                return out;
            } else return "(value)";
        },
        value);
}

std::string parameterTableText(const std::vector<ParameterInfo>& parameters) {
    std::ostringstream out;
    out << "symbol  id  type  default  range  (name)\n";
    for (const ParameterInfo& p : parameters) {
        out << (p.symbol.empty() ? "-" : p.symbol) << "  " << p.id << "  " << typeName(p.type) << "  ";
        out << (p.type == host::datatype::Button ? "-" : valueText(p.defaultValue)) << "  ";
        if (!p.choices.empty()) {
            out << "one of";
            for (int32_t c : p.choices) out << " " << c;
        } else if (p.min || p.max) {
            out << (p.min ? number(*p.min) : "-Infinity") << " to " << (p.max ? number(*p.max) : "Infinity");
        } else {
            out << "-";
        }
        if (p.sliderMin || p.sliderMax)
            out << ", slider " << number(p.sliderMin.value_or(0)) << " to " << number(p.sliderMax.value_or(0));
        out << "  (" << p.name << ")\n";
    }
    return out.str();
}

} // namespace flumpet::app
