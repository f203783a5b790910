// The Khronos glTF validator (npm package, installed by scripts/test into tools/gltf-validator),
// run on a written file.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace flumpet::test {

inline bool gltfValidatorInstalled() {
    return std::filesystem::exists(std::string(FLUMPET_GLTF_VALIDATOR) + "/node_modules/gltf-validator") &&
           std::system("node --version >/dev/null 2>&1") == 0;
}

/// Success when the validator reports no errors; the failure carries its report.
inline testing::AssertionResult validGltf(const std::string& file) {
    const std::string report = file + ".report.txt";
    const std::string command = "node '" FLUMPET_GLTF_VALIDATOR "/validate.js' '" + file + "' >'" + report + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(report);
    std::stringstream text;
    text << in.rdbuf();
    if (status == 0 && text.str().find(" 0 errors") != std::string::npos) return testing::AssertionSuccess();
    return testing::AssertionFailure() << text.str();
}

} // namespace flumpet::test
