// Reading AVR executables (32-bit little-endian ELF, machine AVR) into memory images.
#pragma once

#include "quarnel/image/file_config.h"
#include "quarnel/image/portion_list.h"

namespace quarnel {

// Starts with the ELF magic.
bool has_elf_magic(const unsigned char* bytes, std::size_t count);

// Fills the empty `flash` and `eeprom` images and `config` from the ELF file `path`,
// segment by segment at their load addresses, by the AVR address windows: flash from 0,
// EEPROM from 0x810000, fuses (low, high, extended) from 0x820000, the lock byte at
// 0x830000, the signature (three bytes, last signature byte first) from 0x840000.
// Anything but an AVR executable, a segment outside the windows or past the end of the
// file, and overlapping segments are reported and end the run with status 50.
void read_elf_file(PortionList& flash, PortionList& eeprom, FileConfig& config, const char* path);

} // namespace quarnel
