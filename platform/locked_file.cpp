// Exclusive flock on the file the path names, with replacement or in-place rewriting.
#include "platform/locked_file.h"

#include "platform/clock.h"
#include "platform/replacement_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Whether `fd` is still the file that `path` names (a holder may have put a
// new file in its place while this process waited).
bool still_named(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

lock_result locked_file_t::lock(const std::string& file_path, const lock_wait& waiting) {
    unlock();
    path = file_path;
    bool first = true;
    for (;;) {
        // O_NONBLOCK: a FIFO or a device in the file's place must not stop the run here.
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        struct stat held {};
        if (fd < 0 || fstat(fd, &held) != 0) {
            const int saved_errno = errno;
            unlock();
            errno = saved_errno;
            return lock_result::failed;
        }
        if (!S_ISREG(held.st_mode)) {
            unlock();
            return lock_result::not_regular;
        }
        int locked;
        while ((locked = flock(fd, waiting ? LOCK_EX | LOCK_NB : LOCK_EX)) != 0 &&
               (errno == EINTR || errno == EWOULDBLOCK)) {
            if (errno == EWOULDBLOCK) {
                waiting(first);
                first = false;
                sleep_ms(50);
            }
        }
        if (locked != 0) {
            const int saved_errno = errno;
            unlock();
            errno = saved_errno;
            return lock_result::failed;
        }
        if (still_named(fd, path)) {
            return lock_result::locked;
        }
        unlock();
    }
}

bool locked_file_t::read(std::string& content) const {
    content.clear();
    char block[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = pread(fd, block, sizeof block, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        content.append(block, static_cast<std::size_t>(got));
        offset += got;
        if (content.size() > max_bytes) {
            errno = EFBIG;
            return false;
        }
    }
}

bool locked_file_t::rewrite(const std::string& content, const char* tag) {
    replacement_file_t replacement(path, tag);
    if (!replacement.open(file_mode::binary)) {
        return (errno == EACCES || errno == EPERM) && rewrite_in_place(content);
    }
    if (std::fwrite(content.data(), 1, content.size(), replacement.stream()) != content.size()) {
        return false;
    }
    if (replacement.commit()) {
        return true;
    }
    // A directory with the sticky bit lets us create files but not rename over
    // another user's file.
    return (errno == EACCES || errno == EPERM) && rewrite_in_place(content);
}

bool locked_file_t::rewrite_in_place(const std::string& content) {
    for (std::size_t done = 0; done < content.size();) {
        const ssize_t put =
            pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return ftruncate(fd, static_cast<off_t>(content.size())) == 0 && fsync(fd) == 0;
}

void locked_file_t::unlock() {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

} // namespace platform
