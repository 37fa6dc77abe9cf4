// Temporary names that carry the writer's process id, checked against live processes.
#include "platform/temporary_names.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

// The process id in `name` when it is a temporary name of `tag`, else 0.
pid_t owner_of(const std::string& name, const std::string& tag) {
    const std::string prefix = "." + tag + "-";
    if (name.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    std::size_t at = prefix.size();
    const std::size_t digits = name.find_first_not_of("0123456789", at);
    if (digits == std::string::npos || digits == at || digits - at > 9 || name[digits] != '-') {
        return 0;
    }
    const pid_t pid = static_cast<pid_t>(std::atol(name.substr(at, digits - at).c_str()));
    at = digits + 1;
    const std::size_t hex = name.find_first_not_of("0123456789abcdef", at);
    if (hex != at + 8 || name.compare(hex, std::string::npos, ".tmp") != 0) {
        return 0;
    }
    return pid;
}

bool process_gone(pid_t pid) {
    return pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH;
}

// The writer holds its temporary file locked; a free lock confirms that the
// process id is not another namespace's live writer.
bool unlocked(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
}

} // namespace

std::string temporary_name(const std::string& directory, const std::string& tag) {
    static std::mt19937 generator{std::random_device{}()};
    char text[48];
    std::snprintf(text, sizeof text, "-%ld-%08x.tmp", static_cast<long>(getpid()),
                  static_cast<unsigned>(generator()));
    return (directory.empty() ? std::string() : directory + "/") + "." + tag + text;
}

void remove_stale_temporaries(const std::string& directory, const std::string& tag) {
    const std::string folder = directory.empty() ? "." : directory;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const int saved_errno = errno;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const pid_t pid = owner_of(name, tag);
        std::string path = folder;
        path += '/';
        path += name;
        if (pid > 0 && process_gone(pid) && unlocked(path)) {
            unlink(path.c_str());
        }
    }
    closedir(dir);
    errno = saved_errno;
}

} // namespace platform
