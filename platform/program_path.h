// Location of the running executable.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Full path of the running executable, or nothing when the host cannot tell.
std::optional<std::string> executable_path();

// True when `path` names an existing regular file.
bool is_regular_file(const char* path);

} // namespace platform
