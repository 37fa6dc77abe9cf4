// Windows input files: a named pipe never stands in a folder, so fopen is all it takes.
#include "platform/input_file.h"

namespace platform {

std::FILE* open_input(const std::string& path, bool binary) {
    return std::fopen(path.c_str(), binary ? "rb" : "r");
}

} // namespace platform
