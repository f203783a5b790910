// The module entry and the module's identity: what the host loads and registers.
#pragma once

#include "host/host.h"

#include <cstdint>

/// The module entry: the host drives the module's whole life through it (bind, start, module
/// messages, end). Called on the host's main thread only.
extern "C" int32_t c4d_main(int32_t action, void* p1, void* p2, void* p3); // NOLINT(readability-identifier-naming): the host looks it up by this name

namespace flumpet {

/// Hosts older than this are refused.
inline constexpr int32_t LowestHostVersion = 2023000;
inline constexpr int32_t PluginId = 1057491;
inline constexpr const char* PluginName = "Flumpet";
inline constexpr const char* DescriptionName = "Oflumpet";
inline constexpr const char* IconFile = "icon.tiff";
inline constexpr double IconPixelRatio = 1.0;
inline constexpr int32_t DiskLevel = 0;
/// Shown to the user as decimal text in VERSION_TEXT.
inline constexpr int32_t ModuleVersion = 1010;

/// The host the module is bound to; null before the first initialise and after the last end.
host::Host* boundHost();

} // namespace flumpet
