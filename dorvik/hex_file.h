// Intel HEX files for the flash and EEPROM images.
#pragma once

#include "dorvik/run_state.h"

#include <cstdint>
#include <string>

namespace dorvik {

// Reads a HEX file into `image`; bytes the file does not give keep their
// value. A file with data at or beyond `limit` is refused with a message that
// counts those bytes. 0, or -1 after its message.
int read_hex_file(const std::string& path, Image& image, std::uint32_t limit);

// Saves the first `length` bytes of `image` as a HEX file of 16-byte records
// with CR LF line ends, replacing the file only when it is complete.
// 0, or -1 after its message.
int write_hex_file(const std::string& path, const Image& image, std::uint32_t length);

} // namespace dorvik
