// Appending under flock: O_APPEND, the size seen under the lock, one write, fsync.
#include "platform/appended_file.h"

#include "platform/exclusive_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int open_for_append(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}

bool close_keeping_errno(int fd, bool ok) {
    const int saved_errno = errno;
    const bool closed = ::close(fd) == 0;
    if (!ok) {
        errno = saved_errno;
    }
    return ok && closed;
}

} // namespace

bool can_append(const std::string& path) {
    const int fd = open_for_append(path);
    return fd >= 0 && close_keeping_errno(fd, true);
}

bool append_locked(const std::string& path, const std::string& header, const std::string& record) {
    const int fd = open_for_append(path);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    if (!lock_exclusive(fd) || fstat(fd, &status) != 0) {
        return close_keeping_errno(fd, false);
    }
    const std::string text = status.st_size == 0 ? header + record : record;
    ssize_t written;
    do {
        written = ::write(fd, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(text.size())) {
        if (written >= 0) {
            errno = ENOSPC; // a short write: the disk is full
        }
        return close_keeping_errno(fd, false);
    }
    return close_keeping_errno(fd, fsync(fd) == 0); // closing releases the lock
}

} // namespace platform
