// Feeds arbitrary bytes to the scene loader: it must either load a document that saves and
// loads again to the same bytes, or refuse with a SceneFileError; never crash or leak.
#include "scene/engine.h"
#include "scene/scene_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    flumpet::scene::Engine engine;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto doc = flumpet::scene::loadDocument(engine, text);
        const std::string saved = flumpet::scene::saveDocument(engine, doc);
        flumpet::scene::Engine again;
        const auto reloaded = flumpet::scene::loadDocument(again, saved);
        if (flumpet::scene::saveDocument(again, reloaded) != saved) std::abort();
    } catch (const flumpet::scene::SceneFileError&) {
    }
    return 0;
}
