// Temporary-file-then-rename writing of user files, over the host steps of file_host.h.
#include "platform/replacement_file.h"

#include "platform/file_host.h"
#include "platform/signals.h"
#include "platform/temporary_names.h"

#include <cerrno>

namespace platform {

replacement_file_t::replacement_file_t(std::string path, const char* program)
    : destination(std::move(path)), tag(program), target(destination) {}

replacement_file_t::~replacement_file_t() {
    discard();
}

bool replacement_file_t::open(file_mode mode) {
    const destination_kind kind = inspect_destination(destination, target);
    if (kind == destination_kind::unreadable) {
        return false;
    }
    if (kind == destination_kind::other) {
        file = open_direct(destination, mode);
        return file != nullptr;
    }
    const std::string directory = directory_of(target);
    remove_stale_temporaries(directory, tag);
    hold_break_signals();
    holding_signals = true;
    for (int attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
        const temporary_name_t name = temporary_name(directory, tag);
        temporary = name.path;
        file = create_temporary(temporary, kind == destination_kind::regular ? target : "", mode,
                                name.mark);
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
    if (failure == 0 && !temporary.empty() && !sync_stream(file)) {
        failure = errno;
    }
    if (std::fclose(file) != 0 && failure == 0) {
        failure = errno != 0 ? errno : EIO;
    }
    file = nullptr;
    if (failure == 0 && !temporary.empty()) {
        if (!rename_over(temporary, target)) {
            failure = errno;
        } else {
            temporary.clear();
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
        std::remove(temporary.c_str());
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
