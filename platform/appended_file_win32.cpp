// Appending under LockFileEx: FILE_APPEND_DATA, the size seen under the lock, one WriteFile.
#include "platform/appended_file.h"

#include "platform/win32_text.h"

#include <cerrno>
#include <windows.h>

namespace platform {

namespace {

HANDLE open_for_append(const std::string& path) {
    return CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool fail_closing(HANDLE file) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    errno = errno_of_win32(error);
    return false;
}

} // namespace

bool can_append(const std::string& path) {
    HANDLE file = open_for_append(path);
    if (file == INVALID_HANDLE_VALUE) {
        errno = errno_of_win32(GetLastError());
        return false;
    }
    CloseHandle(file);
    return true;
}

bool append_locked(const std::string& path, const std::string& header, const std::string& record) {
    HANDLE file = open_for_append(path);
    if (file == INVALID_HANDLE_VALUE) {
        errno = errno_of_win32(GetLastError());
        return false;
    }
    OVERLAPPED at{};
    LARGE_INTEGER size{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at) ||
        !GetFileSizeEx(file, &size)) {
        return fail_closing(file);
    }
    const std::string text = size.QuadPart == 0 ? header + record : record;
    DWORD written = 0;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file)) {
        return fail_closing(file);
    }
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &at);
    CloseHandle(file);
    return true;
}

} // namespace platform
