// Exclusive LockFileEx on the file the path names, with replacement or in-place rewriting.
#include "platform/locked_file.h"

#include "platform/clock.h"
#include "platform/replacement_file.h"
#include "platform/win32_text.h"

#include <cerrno>
#include <windows.h>

namespace platform {
namespace {

// Windows locks are mandatory for the range they cover: the lock sits on one byte far beyond
// any content, so that the holder's reads and writes never meet it.
constexpr DWORD lock_offset_high = 0x40000000;

bool failed() {
    errno = errno_of_win32(GetLastError());
    return false;
}

bool same_file(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION one{}, two{};
    return GetFileInformationByHandle(a, &one) && GetFileInformationByHandle(b, &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
           one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
}

// Shared for reading, writing and deleting, so that a holder can rename a new file over it.
HANDLE open_shared(const std::string& path, DWORD access) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether `held` is still the file that `path` names (a holder may have put a new file in
// its place while this process waited).
bool still_named(HANDLE held, const std::string& path) {
    HANDLE named = open_shared(path, 0);
    if (named == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool same = same_file(held, named);
    CloseHandle(named);
    return same;
}

} // namespace

lock_result locked_file_t::lock(const std::string& file_path, const lock_wait& waiting) {
    unlock();
    path = file_path;
    bool first = true;
    for (;;) {
        HANDLE file = open_shared(path, GENERIC_READ | GENERIC_WRITE);
        if (file == INVALID_HANDLE_VALUE) {
            failed();
            return lock_result::failed;
        }
        fd = file;
        if (GetFileType(file) != FILE_TYPE_DISK) { // a pipe or a device
            unlock();
            return lock_result::not_regular;
        }
        OVERLAPPED at{};
        at.OffsetHigh = lock_offset_high;
        const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (waiting ? LOCKFILE_FAIL_IMMEDIATELY : 0);
        BOOL locked;
        while (!(locked = LockFileEx(file, flags, 0, 1, 0, &at)) &&
               GetLastError() == ERROR_LOCK_VIOLATION) {
            waiting(first);
            first = false;
            sleep_ms(50);
        }
        if (!locked) {
            const DWORD error = GetLastError();
            unlock();
            errno = errno_of_win32(error);
            return lock_result::failed;
        }
        if (still_named(file, path)) {
            return lock_result::locked;
        }
        unlock();
    }
}

bool locked_file_t::read(std::string& content) const {
    content.clear();
    char block[4096];
    OVERLAPPED at{};
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(fd, block, sizeof block, &got, &at)) {
            return GetLastError() == ERROR_HANDLE_EOF || failed();
        }
        if (got == 0) {
            return true;
        }
        content.append(block, got);
        at.Offset += got;
        if (content.size() > max_bytes) {
            errno = EFBIG;
            return false;
        }
    }
}

bool locked_file_t::rewrite(const std::string& content, const char* tag) {
    replacement_file_t replacement(path, tag);
    if (!replacement.open(file_mode::binary)) {
        return errno == EACCES && rewrite_in_place(content);
    }
    if (std::fwrite(content.data(), 1, content.size(), replacement.stream()) != content.size()) {
        return false;
    }
    if (replacement.commit()) {
        return true;
    }
    // A folder that lets us create files but not replace this one.
    return errno == EACCES && rewrite_in_place(content);
}

bool locked_file_t::rewrite_in_place(const std::string& content) {
    const HANDLE file = fd;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        return failed();
    }
    for (std::size_t done = 0; done < content.size();) {
        DWORD put = 0;
        if (!WriteFile(file, content.data() + done, static_cast<DWORD>(content.size() - done), &put,
                       nullptr) ||
            put == 0) {
            return failed();
        }
        done += put;
    }
    return (SetEndOfFile(file) && FlushFileBuffers(file)) || failed();
}

void locked_file_t::unlock() {
    if (fd != nullptr) {
        CloseHandle(fd); // closing the handle ends its lock
        fd = nullptr;
    }
}

} // namespace platform
