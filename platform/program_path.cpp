// Executable path from /proc/self/exe; regular-file test through stat.
#include "platform/program_path.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<std::string> executable_path() {
    char buf[PATH_MAX];
    const ssize_t len = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (len <= 0) {
        return std::nullopt;
    }
    return std::string(buf, static_cast<std::size_t>(len));
}

bool is_regular_file(const char* path) {
    struct stat st {};
    return path != nullptr && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
