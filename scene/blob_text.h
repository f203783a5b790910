// Large encoded arrays kept out of the JSON parser and printer, whose per-character work would
// dominate a scene file's cost.
//
// When saving, the document's JSON holds a short placeholder ("\u0000" and a number) for each
// encoded array under the key "zstd"; spliceBlobs puts the real text in its place. When loading,
// extractBlobs cuts the text of every "zstd" string out of the file and leaves such a
// placeholder, so the parser sees a small document; the reader looks the arrays up by number.
// The pattern `"zstd": "` can only be structure: inside a JSON string a quote is escaped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace flumpet::scene {

/// The key of an encoded array's text.
inline constexpr const char* BlobKey = "zstd";

/// The placeholder for blob `index`.
std::string blobPlaceholder(size_t index);
/// The blob index a placeholder names; false for any other string.
bool blobIndex(std::string_view placeholder, size_t& index);

/// The printed JSON with every placeholder replaced by its blob.
std::string spliceBlobs(std::string_view printed, const std::vector<std::string>& blobs);

struct ExtractedBlobs {
    std::string skeleton;                // the text with placeholders
    std::vector<std::string_view> blobs; // views into the original text
};
ExtractedBlobs extractBlobs(std::string_view text);

} // namespace flumpet::scene
