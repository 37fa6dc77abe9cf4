// File data sync through fsync on the stream's descriptor.
#include "platform/file_sync.h"

#include <unistd.h>

namespace platform {

bool sync_file(std::FILE* file) {
    if (std::fflush(file) != 0) {
        return false;
    }
    return fsync(fileno(file)) == 0;
}

} // namespace platform
