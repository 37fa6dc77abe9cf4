// avrsim's own small Intel HEX reader and writer for memory contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace avrsim {

// Reads an Intel HEX file into `memory` (data records and extended segment/linear address
// records). Bytes not in the file keep their value. Throws target_error for a damaged file
// or data outside the memory.
void read_hex_into(const std::string& path, std::vector<std::uint8_t>& memory);

// Writes the whole memory as Intel HEX, 16 bytes a record, extended linear address
// records above 64 KB. Throws target_error when the file cannot be written.
void write_hex(const std::string& path, const std::vector<std::uint8_t>& memory);

} // namespace avrsim
