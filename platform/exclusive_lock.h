// The exclusive whole-file lock of an appended file, waited for through signals.
#pragma once

#include <cerrno>
#include <sys/file.h>

namespace platform {

// Waits for flock(LOCK_EX) on `fd`, through interrupting signals. False with errno set.
inline bool lock_exclusive(int fd) {
    int locked;
    do {
        locked = flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    return locked == 0;
}

} // namespace platform
