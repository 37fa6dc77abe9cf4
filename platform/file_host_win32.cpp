// Windows file-system steps of replacement files: _sopen_s without sharing,
// FlushFileBuffers and MoveFileExA.
#include "platform/file_host.h"

#include "platform/win32_text.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

namespace platform {

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
std::FILE* create_temporary(const std::string& name, const std::string& model, file_mode mode) {
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
    std::FILE* file = _fdopen(fd, mode == file_mode::binary ? "wb" : "w");
    if (file == nullptr) {
        const int saved_errno = errno;
        _close(fd);
        std::remove(name.c_str());
        errno = saved_errno;
    }
    return file;
}

bool sync_stream(std::FILE* file) {
    // The C runtime hands its handles out as integers.
    const auto handle = reinterpret_cast<HANDLE>( // NOLINT(performance-no-int-to-ptr)
        _get_osfhandle(_fileno(file)));
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
