// Temporary-file-then-rename writing of user files.
#include "platform/replacement_file.h"

#include "platform/signals.h"
#include "platform/temporary_names.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string directory_of(const std::string& path) {
    const auto cut = path.find_last_of('/');
    if (cut == std::string::npos) {
        return "";
    }
    return cut == 0 ? "/" : path.substr(0, cut);
}

// The rename itself reaches the disk only with its directory.
void sync_directory(const std::string& directory) {
    const int fd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Creates the temporary file exclusively, locked and with the old file's
// permissions (and owner, where that may be kept).
std::FILE* create_temporary(const std::string& name, const struct stat* old, file_mode mode) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    flock(fd, LOCK_EX);
    if (old != nullptr) {
        if (geteuid() == 0) {
            (void)fchown(fd, old->st_uid, old->st_gid);
        }
        fchmod(fd, old->st_mode & 07777);
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

} // namespace

replacement_file_t::replacement_file_t(std::string path, const char* program)
    : destination(std::move(path)), tag(program), target(destination) {}

replacement_file_t::~replacement_file_t() {
    discard();
}

bool replacement_file_t::open(file_mode mode) {
    struct stat old {};
    const bool exists = ::stat(destination.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return false; // a name too long, a folder that may not be entered...
    }
    if (exists && !S_ISREG(old.st_mode)) {
        file = std::fopen(destination.c_str(), mode == file_mode::binary ? "wb" : "w");
        return file != nullptr;
    }
    if (exists) {
        char resolved[PATH_MAX];
        if (realpath(destination.c_str(), resolved) != nullptr) {
            target = resolved;
        }
    }
    const std::string directory = directory_of(target);
    remove_stale_temporaries(directory, tag);
    hold_break_signals();
    holding_signals = true;
    for (int attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
        temporary = temporary_name(directory, tag);
        file = create_temporary(temporary, exists ? &old : nullptr, mode);
        if (file == nullptr && errno != EEXIST) {
            break;
        }
    }
    if (file == nullptr) {
        temporary.clear();
        finish();
        return false;
    }
    return true;
}

bool replacement_file_t::commit() {
    if (file == nullptr) {
        errno = EBADF;
        return false;
    }
    int failure = std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
    if (failure == 0 && std::fflush(file) != 0) {
        failure = errno;
    }
    if (failure == 0 && !temporary.empty() && fsync(fileno(file)) != 0) {
        failure = errno;
    }
    if (std::fclose(file) != 0 && failure == 0) {
        failure = errno != 0 ? errno : EIO;
    }
    file = nullptr;
    if (failure == 0 && !temporary.empty()) {
        if (std::rename(temporary.c_str(), target.c_str()) != 0) {
            failure = errno;
        } else {
            temporary.clear();
            sync_directory(directory_of(target));
        }
    }
    if (failure != 0) {
        discard();
        errno = failure;
        return false;
    }
    finish();
    return true;
}

void replacement_file_t::discard() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
    if (!temporary.empty()) {
        const int saved_errno = errno;
        unlink(temporary.c_str());
        temporary.clear();
        errno = saved_errno;
    }
    finish();
}

void replacement_file_t::finish() {
    if (holding_signals) {
        holding_signals = false;
        release_break_signals();
    }
}

replace_result replace_file(const std::string& path, const std::string& content, const char* tag) {
    replacement_file_t file(path, tag);
    if (!file.open(file_mode::binary)) {
        return replace_result::create_failed;
    }
    const bool written =
        std::fwrite(content.data(), 1, content.size(), file.stream()) == content.size();
    return written && file.commit() ? replace_result::replaced : replace_result::write_failed;
}

} // namespace platform
