// POSIX file-system steps of replacement files: stat, realpath, flock, futimens, fsync, rename.
#include "platform/file_host.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The rename itself reaches the disk only with its directory.
void sync_directory(const std::string& directory) {
    const int fd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// The last-access time that marks a temporary file: 2000-01-01 plus `mark` times 100 ns.
timespec mark_time(std::uint32_t mark) {
    constexpr time_t year_2000 = 946684800;
    const std::uint64_t ticks = mark;
    return {static_cast<time_t>(year_2000 + ticks / 10000000),
            static_cast<long>(ticks % 10000000 * 100)};
}

} // namespace

destination_kind inspect_destination(const std::string& path, std::string& resolved) {
    resolved = path;
    struct stat old {};
    if (::stat(path.c_str(), &old) != 0) {
        // ENOENT is a new file; a name too long, a folder that may not be entered... are not.
        return errno == ENOENT ? destination_kind::missing : destination_kind::unreadable;
    }
    if (!S_ISREG(old.st_mode)) {
        return destination_kind::other;
    }
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) != nullptr) {
        resolved = real;
    }
    return destination_kind::regular;
}

std::string directory_of(const std::string& path) {
    const auto cut = path.find_last_of('/');
    if (cut == std::string::npos) {
        return "";
    }
    return cut == 0 ? "/" : path.substr(0, cut);
}

// Locked, and with the old file's permissions (and owner, where that may be kept).
std::FILE* create_temporary(const std::string& name, const std::string& model, file_mode mode,
                            std::uint32_t mark) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    flock(fd, LOCK_EX);
    const timespec times[2] = {mark_time(mark), {0, UTIME_OMIT}};
    futimens(fd, times);
    struct stat old {};
    if (!model.empty() && ::stat(model.c_str(), &old) == 0) {
        if (geteuid() == 0) {
            (void)fchown(fd, old.st_uid, old.st_gid);
        }
        fchmod(fd, old.st_mode & 07777);
    }
    std::FILE* file = fdopen(fd, mode == file_mode::binary ? "wb" : "w");
    if (file == nullptr) {
        const int saved_errno = errno;
        close(fd);
        unlink(name.c_str());
        errno = saved_errno;
    }
    return file;
}

bool is_stale_temporary(const std::string& path, std::uint32_t mark) {
    struct stat named {};
    if (lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_uid != geteuid()) {
        return false;
    }
    const timespec marked = mark_time(mark);
    if (named.st_atim.tv_sec != marked.tv_sec || named.st_atim.tv_nsec != marked.tv_nsec) {
        return false;
    }
    // The writer holds its file locked while it writes; a free lock also tells a live writer
    // of another process namespace (the same number, another process) from a dead one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat opened {};
    const bool same = fstat(fd, &opened) == 0 && opened.st_ino == named.st_ino &&
                      opened.st_dev == named.st_dev && S_ISREG(opened.st_mode);
    const bool free = same && flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
}

std::FILE* open_direct(const std::string& path, file_mode mode) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        return nullptr;
    }
    // Written as any file from here on: a pipe's reader sets the pace.
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* file = flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0
                          ? nullptr
                          : fdopen(fd, mode == file_mode::binary ? "wb" : "w");
    if (file == nullptr) {
        const int saved_errno = errno;
        close(fd);
        errno = saved_errno;
    }
    return file;
}

bool sync_stream(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool rename_over(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    sync_directory(directory_of(to));
    return true;
}

} // namespace platform
