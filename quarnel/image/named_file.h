// A file of the command line: its name and the format it is read or written in.
#pragma once

#include <optional>
#include <string>

namespace quarnel {

enum file_format : int { FILE_IHEX = 0, FILE_BIN = 1 };

struct FileSpec {
    file_format format = FILE_IHEX;
    std::optional<std::string> name;
};

} // namespace quarnel
