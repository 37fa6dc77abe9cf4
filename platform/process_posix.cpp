// POSIX processes: kill(pid, 0) and a non-blocking flock.
#include "platform/process.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

long current_process_id() {
    return static_cast<long>(getpid());
}

bool process_gone(long pid) {
    return pid != current_process_id() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The writer holds its temporary file locked; a free lock confirms that the
// process id is not another namespace's live writer.
bool held_by_nobody(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
}

} // namespace platform
