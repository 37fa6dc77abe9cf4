// File opening, configuration file search and the program's own directory.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace quarnel {

// Opens `name` for reading ("r" or "rb"), never waiting on a FIFO without a writer; on
// failure prints "Can't open file '%s'\n" and raises rtl_error 70.
std::FILE* open_file(const char* name, const char* mode);

// The directory of the running executable (cached, failure included).
const std::optional<std::string>& program_directory();

// Room for a configuration file's path, its end included (Windows' MAX_PATH).
inline constexpr std::size_t config_path_size = 260;

// Finds an adapter configuration file by name: the name itself when it is a
// regular file, else (for a bare name or one starting with a dot) in the
// directories of QUARNEL_CONFIG_PATH and then the program directory. The path found
// is no longer than `size` - 1 characters; a longer one is not taken.
std::optional<std::string> find_config_file(const char* name, std::size_t size = config_path_size);

// Prints, after a failed find_config_file, where `name` was looked for: the current
// directory, then each searched directory with its origin, in order.
void print_config_search(int level, const char* name);

} // namespace quarnel
