// The -asn file: a serial number that grows by one with every programmed chip.
#pragma once

#include <cstdint>
#include <string>

namespace dorvik {

struct AutoSerial {
    std::string path;
    std::string text; // the file as it was read
    std::uint32_t number = 0;
    bool active = false;
};

// Reads the number at the start of the file. 0, or -1 after its message.
int load_auto_serial(const std::string& path, AutoSerial& serial);

// Rewrites the file from its first byte with the number plus one and CR LF;
// bytes after the new text keep their old value. The file is replaced as a
// whole, so a crash leaves either the old or the new number.
// 0, or -1 after "Error writing to the file.\n".
int advance_auto_serial(const AutoSerial& serial);

} // namespace dorvik
