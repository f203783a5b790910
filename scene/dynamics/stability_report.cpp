#include "scene/dynamics/simulation.h"

#include <cstdio>

namespace flumpet::scene {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

} // namespace

bool StabilityReport::stable() const {
    return nonFinite.empty() && bodiesOutside.empty() &&
           largestLinearSpeed <= speedLimit && largestSpinSpeed <= speedLimit;
}

std::vector<std::string> StabilityReport::lines() const {
    std::vector<std::string> out;
    out.push_back(std::string("Dynamics bake ") + (stable() ? "stable" : "UNSTABLE") + ": " + std::to_string(frames) +
                  " of " + std::to_string(framesAsked) + " frames simulated");
    if (!nonFinite.empty()) out.push_back("  a value that is not finite: " + nonFinite + "; the bake stopped there");
    std::string spinner;
    if (!fastestSpin.body.empty())
        spinner = " (\"" + fastestSpin.body + "\" at frame " + std::to_string(fastestSpin.frame) + ")";
    out.push_back("  largest speed " + number(largestLinearSpeed) + " units/s, of a surface turning " +
                  number(largestSpinSpeed) + " units/s" + spinner + " (limit " + number(speedLimit) +
                  "); largest turn " + number(largestAngularSpeed) + " rad/s");
    for (const Escape& e : bodiesOutside)
        out.push_back("  body \"" + e.body + "\" left the region at frame " + std::to_string(e.frame));
    for (const Excess& e : jointsBeyondLimits)
        out.push_back("  warning: connector \"" + e.connector + "\" beyond its limits (" + e.what + ") by " + number(e.amount) +
                      (e.what == "angle" ? " rad" : " units") + " at frame " + std::to_string(e.frame));
    for (const auto& [a, b] : overlapsAtRest)
        out.push_back("  warning: bodies \"" + a + "\" and \"" + b + "\" overlap at rest");
    return out;
}

} // namespace flumpet::scene
