// Host name, UTC time and the working directory on Windows.
#include "platform/host_info.h"

#include "platform/win32_text.h"

#include <cerrno>
#include <ctime>
#include <windows.h>

namespace platform {

std::string host_name() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : "";
}

std::string utc_timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_s(&parts, &now);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string current_directory() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof path, path);
    return length > 0 && length < sizeof path ? std::string(path, length) : "";
}

bool change_directory(const std::string& path) {
    if (!SetCurrentDirectoryA(path.c_str())) {
        errno = errno_of_win32(GetLastError());
        return false;
    }
    return true;
}

} // namespace platform
