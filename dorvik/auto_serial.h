// The -asn file: a serial number that grows by one with every programmed chip.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace dorvik {

struct AutoSerial {
    std::string path;
    std::string text; // the file as it was last read
    std::uint32_t number = 0;
    bool active = false;
    bool reserved = false; // the file holds number + 1 for this run
};

// Reads the number on the first line of the file (a regular file only, never waited on as a
// FIFO would be). 0, or -1 after its message.
int load_auto_serial(const std::string& path, AutoSerial& serial);

// Takes this run's number: under the file's lock (other runs may share the
// file, and a line says so while one holds it) reads the number on its first
// line again and, when `fits` accepts it, replaces that line with the number
// plus one and CR LF; the lines after it stay as they were. The file is
// replaced as a whole, so a crash leaves either the old or the new number. A
// run reserves once; later calls only check the reserved number with `fits`.
// 0, or -1 after its message ("Error writing to the file.\n" for the rewrite).
int reserve_auto_serial(AutoSerial& serial, const std::function<bool(std::uint32_t)>& fits);

} // namespace dorvik
