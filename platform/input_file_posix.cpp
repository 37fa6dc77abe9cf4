// POSIX input files: opened with O_NONBLOCK, then read as usual.
#include "platform/input_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::FILE* open_input(const std::string& path, bool binary) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    // Reads wait for data from here on; a FIFO nobody writes to ends at once.
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* file = flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0
                          ? nullptr
                          : fdopen(fd, binary ? "rb" : "r");
    if (file == nullptr) {
        const int saved_errno = errno;
        close(fd);
        errno = saved_errno;
    }
    return file;
}

} // namespace platform
