// Executable path from GetModuleFileNameA; regular-file test through _stat.
#include "platform/program_path.h"

#include <sys/stat.h>
#include <vector>
#include <windows.h>

namespace platform {

std::optional<std::string> executable_path() {
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < size) { // a cut name fills the buffer exactly
            return std::string(buffer.data(), length);
        }
    }
    return std::nullopt;
}

bool is_regular_file(const char* path) {
    struct _stat st {};
    return path != nullptr && _stat(path, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

} // namespace platform
