// Child programs on Windows: not started by this build (the gang runs on POSIX hosts).
#include "platform/child_process.h"

#include <cerrno>
#include <io.h>

namespace platform {

bool start_child(const std::string&, const std::vector<std::string>&, const char*, child_process&) {
    errno = ENOSYS;
    return false;
}

int read_any(std::vector<int*>, std::string& data, int) {
    data.clear();
    return -1;
}

int wait_child(long) {
    return 127;
}

void interrupt_child(long) {}

bool write_descriptor(int descriptor, const std::string& text) {
    return _write(descriptor, text.data(), static_cast<unsigned>(text.size())) ==
           static_cast<int>(text.size());
}

} // namespace platform
