// Windows file-system steps of replacement files: _sopen_s without sharing,
// FlushFileBuffers and MoveFileExA.
#include "platform/file_host.h"

#include "platform/win32_text.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

namespace platform {
namespace {

// The last-access time that marks a temporary file: 2000-01-01 plus `mark` times 100 ns.
FILETIME mark_time(std::uint32_t mark) {
    constexpr ULONGLONG year_2000 = 125911584000000000ULL; // in 100 ns since 1601
    const ULONGLONG ticks = year_2000 + mark;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

HANDLE handle_of(int fd) {
    // The C runtime hands its handles out as integers.
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); // NOLINT(performance-no-int-to-ptr)
}

} // namespace

destination_kind inspect_destination(const std::string& path, std::string& resolved) {
    resolved = path;
    struct _stat old {};
    if (_stat(path.c_str(), &old) != 0) {
        return errno == ENOENT ? destination_kind::missing : destination_kind::unreadable;
    }
    return (old.st_mode & _S_IFMT) == _S_IFREG ? destination_kind::regular
                                               : destination_kind::other;
}

std::string directory_of(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    if (cut == std::string::npos) {
        return "";
    }
    return cut == 0 || (cut == 2 && path[1] == ':') ? path.substr(0, cut + 1) : path.substr(0, cut);
}

// Opened without sharing, so that a cleanup sees it held. A read-only old file makes a
// read-only new one.
std::FILE* create_temporary(const std::string& name, const std::string& model, file_mode mode,
                            std::uint32_t mark) {
    int permission = _S_IREAD | _S_IWRITE;
    struct _stat old {};
    if (!model.empty() && _stat(model.c_str(), &old) == 0 && (old.st_mode & _S_IWRITE) == 0) {
        permission = _S_IREAD;
    }
    const int flags = _O_WRONLY | _O_CREAT | _O_EXCL | _O_NOINHERIT |
                      (mode == file_mode::binary ? _O_BINARY : _O_TEXT);
    int fd = -1;
    if (_sopen_s(&fd, name.c_str(), flags, _SH_DENYRW, permission) != 0) {
        return nullptr;
    }
    // The mark, and no later update of the time through this handle (both words 0xFFFFFFFF).
    const FILETIME marked = mark_time(mark);
    const FILETIME frozen = {0xFFFFFFFF, 0xFFFFFFFF};
    SetFileTime(handle_of(fd), nullptr, &marked, nullptr);
    SetFileTime(handle_of(fd), nullptr, &frozen, nullptr);
    std::FILE* file = _fdopen(fd, mode == file_mode::binary ? "wb" : "w");
    if (file == nullptr) {
        const int saved_errno = errno;
        _close(fd);
        std::remove(name.c_str());
        errno = saved_errno;
    }
    return file;
}

// Windows has no owner test here: the folder's access rules decide who may delete the file.
bool is_stale_temporary(const std::string& path, std::uint32_t mark) {
    // Shared with nobody: it opens only when no writer has the file open; a reparse point (a
    // link) is opened itself, not followed.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const FILETIME marked = mark_time(mark);
    const bool stale =
        GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        info.ftLastAccessTime.dwLowDateTime == marked.dwLowDateTime &&
        info.ftLastAccessTime.dwHighDateTime == marked.dwHighDateTime;
    CloseHandle(file);
    return stale;
}

std::FILE* open_direct(const std::string& path, file_mode mode) {
    return std::fopen(path.c_str(), mode == file_mode::binary ? "wb" : "w");
}

bool sync_stream(std::FILE* file) {
    const HANDLE handle = handle_of(_fileno(file));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        errno = errno_of_win32(GetLastError());
        return false;
    }
    return true;
}

bool rename_over(const std::string& from, const std::string& to) {
    if (!MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        errno = errno_of_win32(GetLastError());
        return false;
    }
    return true;
}

} // namespace platform
