// POSIX processes: kill(pid, 0).
#include "platform/process.h"

#include <cerrno>
#include <signal.h>
#include <unistd.h>

namespace platform {

long current_process_id() {
    return static_cast<long>(getpid());
}

bool process_gone(long pid) {
    return pid != current_process_id() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

} // namespace platform
