// Pushing a written file's data to the storage device.
#pragma once

#include <cstdio>

namespace platform {

// Flushes the stream and waits until the system has stored its data.
// False on failure, with errno set.
bool sync_file(std::FILE* file);

} // namespace platform
