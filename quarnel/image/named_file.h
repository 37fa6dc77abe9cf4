// A file of the command line: its name and the format it is read or written in.
#pragma once

#include <optional>
#include <string>

namespace quarnel {

enum file_format : int { FILE_IHEX = 0, FILE_BIN = 1, FILE_ELF = 2, FILE_SREC = 3 };

struct FileSpec {
    file_format format = FILE_IHEX;
    std::optional<std::string> name;
    // The format came from a prefix. Without one a file is read as what its content
    // shows (ELF magic, an S-record) and as Intel HEX otherwise, and written as Intel HEX.
    bool prefixed = false;
};

} // namespace quarnel
