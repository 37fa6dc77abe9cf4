// Opening a file for reading without ever waiting on what stands in its place.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// fopen(path, "r" or "rb"), except that a FIFO without a writer is not waited for: it reads
// as empty. nullptr with errno set.
std::FILE* open_input(const std::string& path, bool binary);

} // namespace platform
