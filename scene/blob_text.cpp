#include "scene/blob_text.h"

#include <charconv>

namespace flumpet::scene {

namespace {

/// How the printer writes a blob's key and the start of its value (one space after the colon).
constexpr std::string_view Opening = "\"zstd\": \"";
/// How the printer writes the placeholder's leading character.
constexpr std::string_view PrintedMark = "\\u0000";

} // namespace

std::string blobPlaceholder(size_t index) {
    char text[24] = {'\0'};
    const auto end = std::to_chars(text + 1, text + sizeof text, index).ptr;
    return std::string(text, end);
}

bool blobIndex(std::string_view placeholder, size_t& index) {
    if (placeholder.size() < 2 || placeholder[0] != '\0') return false;
    const char* end = placeholder.data() + placeholder.size();
    const auto [at, error] = std::from_chars(placeholder.data() + 1, end, index);
    return error == std::errc{} && at == end;
}

std::string spliceBlobs(std::string_view printed, const std::vector<std::string>& blobs) {
    size_t total = printed.size();
    for (const auto& b : blobs) total += b.size();
    std::string out;
    out.reserve(total);
    size_t from = 0;
    for (size_t at = printed.find(Opening); at != std::string_view::npos; at = printed.find(Opening, from)) {
        const size_t value = at + Opening.size();
        const size_t close = printed.find('"', value);
        size_t index = 0;
        const std::string_view content = printed.substr(value, close - value);
        if (close == std::string_view::npos || !content.starts_with(PrintedMark) ||
            std::from_chars(content.data() + PrintedMark.size(), content.data() + content.size(), index).ec !=
                std::errc{} ||
            index >= blobs.size()) {
            from = value; // not a placeholder: left as printed
            continue;
        }
        out.append(printed.substr(from, value - from));
        out.append(blobs[index]);
        from = close;
    }
    out.append(printed.substr(from));
    return out;
}

ExtractedBlobs extractBlobs(std::string_view text) {
    ExtractedBlobs out;
    size_t from = 0;
    for (size_t at = text.find(Opening); at != std::string_view::npos; at = text.find(Opening, from)) {
        const size_t value = at + Opening.size();
        const size_t close = text.find('"', value);
        if (close == std::string_view::npos) break; // broken text: the parser will say where
        if (out.skeleton.empty()) out.skeleton.reserve(text.size() / 16);
        out.skeleton.append(text.substr(from, value - from));
        out.skeleton.append(PrintedMark);
        out.skeleton.append(std::to_string(out.blobs.size()));
        out.blobs.push_back(text.substr(value, close - value));
        from = close;
    }
    if (out.blobs.empty()) return out; // the caller parses the text itself
    out.skeleton.append(text.substr(from));
    return out;
}

} // namespace flumpet::scene
