// Temporary-file-then-rename writing of user files.
#include "quarnel/image/replacement_file.h"

#include "platform/file_sync.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string random_suffix() {
    static std::mt19937 generator{std::random_device{}()};
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(generator()));
    return text;
}

} // namespace

replacement_file_t::replacement_file_t(std::string path)
    : destination(std::move(path)), target(destination) {}

replacement_file_t::~replacement_file_t() {
    discard();
}

bool replacement_file_t::open(file_mode mode) {
    std::error_code error;
    const fs::file_status status = fs::status(destination, error);
    if (fs::exists(status)) {
        const fs::path resolved = fs::canonical(destination, error);
        if (!error) {
            target = resolved.string();
        }
        if (!fs::is_regular_file(status)) {
            file = std::fopen(destination.c_str(), mode == file_mode::binary ? "wb" : "w");
            return file != nullptr;
        }
    }
    const char* open_mode = mode == file_mode::binary ? "wbx" : "wx";
    for (int attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
        // A short name of its own, so that a long destination name still fits.
        temporary =
            (fs::path(target).parent_path() / (".quarnel-" + random_suffix() + ".tmp")).string();
        file = std::fopen(temporary.c_str(), open_mode);
        if (file == nullptr && errno != EEXIST) {
            break;
        }
    }
    if (file == nullptr) {
        temporary.clear();
        return false;
    }
    if (fs::exists(status)) {
        fs::permissions(temporary, status.permissions(), error);
    }
    return true;
}

bool replacement_file_t::commit() {
    if (file == nullptr) {
        errno = EBADF;
        return false;
    }
    int failure = std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
    if (failure == 0 && !temporary.empty() && !platform::sync_file(file)) {
        failure = errno;
    }
    if (std::fclose(file) != 0 && failure == 0) {
        failure = errno != 0 ? errno : EIO;
    }
    file = nullptr;
    if (failure == 0 && !temporary.empty()) {
        std::error_code error;
        fs::rename(temporary, target, error);
        if (error) {
            failure = error.value();
        } else {
            temporary.clear();
        }
    }
    if (failure != 0) {
        discard();
        errno = failure;
        return false;
    }
    return true;
}

void replacement_file_t::discard() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
    if (!temporary.empty()) {
        const int saved_errno = errno;
        std::error_code ignored;
        fs::remove(temporary, ignored);
        temporary.clear();
        errno = saved_errno;
    }
}
