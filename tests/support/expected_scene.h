// Whole-command checks against reviewed expected files: a built scene is written as a readable
// digest (objects by path, parameters with their symbols, tags, mesh and weight sizes) and
// compared with a file under tests/expected/. A difference fails the test and shows a unified
// diff. FLUMPET_UPDATE_EXPECTED=1 writes the files instead (review the change before committing).
#pragma once

#include "host/nodes.h"

#include <string>

namespace flumpet::scene {
class Engine;
}

namespace flumpet::test {

/// The digest of a document: one line per object, parameter and tag, in hierarchy order. Links
/// are paths; numbers keep nine significant digits, so harmless last-bit differences between
/// builds do not show.
std::string sceneDigest(scene::Engine& engine, const host::Document& doc);

/// The digest of a scene file, read into a host that has loaded the module.
std::string sceneFileDigest(const std::string& path);

/// Compares text with tests/expected/<name>; fails the current test with a diff when they
/// differ (or when the file is missing), or rewrites the file under FLUMPET_UPDATE_EXPECTED=1.
void expectMatchesFile(const std::string& actual, const std::string& name);

} // namespace flumpet::test
