// Replacing a file only by complete new content.
#pragma once

#include <string>

// Writes `content` to a temporary file beside `path` and renames it over `path`.
// Throws target_error; `path` is untouched on failure.
void write_whole_file(const std::string& path, const std::string& content);
