// Host name, UTC time and the working directory on POSIX hosts.
#include "platform/host_info.h"

#include <climits>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace platform {

std::string host_name() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) {
        return "";
    }
    return name;
}

std::string utc_timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string current_directory() {
    std::vector<char> path(PATH_MAX + 1);
    return getcwd(path.data(), path.size()) != nullptr ? std::string(path.data()) : "";
}

bool change_directory(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

} // namespace platform
