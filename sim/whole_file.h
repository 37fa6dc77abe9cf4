// Replacing a file only by complete new content.
#pragma once

#include <string>

namespace avrsim {

// Writes `content` to a temporary file beside `path`, stores it and renames it
// over `path` (permissions and symbolic links kept). Throws target_error;
// `path` is untouched on failure.
void write_whole_file(const std::string& path, const std::string& content);

} // namespace avrsim
