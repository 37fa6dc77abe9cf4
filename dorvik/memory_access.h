// Single-byte reads and writes of flash and EEPROM by byte address.
#pragma once

#include <cstdint>

namespace dorvik {

// Reads the flash byte at a byte address: the low byte of the word at an even
// address, the high byte at an odd one.
std::uint8_t read_flash_byte(std::uint32_t address);

std::uint8_t read_eeprom_byte(std::uint32_t address);
void write_eeprom_byte(std::uint32_t address, std::uint8_t value);

} // namespace dorvik
