// Writing what a command produces to the path its -o names, as a user expects: "-" is standard
// output; a link is followed and its target replaced; an existing file keeps its permission
// bits and is refused when it is read-only; a device or pipe is written directly; a regular file
// is replaced through a unique temporary file beside it, removed again when the run fails or is
// interrupted, so no half-written file is ever left at the path.
#pragma once

#include <string>

namespace flumpet::app {

/// Writes bytes to the output path; throws CommandError ("cannot write out.json: Permission
/// denied") on failure.
void writeOutputFile(const std::string& path, const std::string& bytes);

/// Throws CommandError when writing to output would replace the input file (the same file,
/// whatever the spelling or links). "-" is never the input.
void refuseOutputOverInput(const std::string& input, const std::string& output);

} // namespace flumpet::app
