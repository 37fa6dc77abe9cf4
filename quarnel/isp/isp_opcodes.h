// The bytes of the serial programming instructions, named once for the whole ISP layer.
#pragma once

#include <cstdint>

namespace quarnel {

namespace isp_opcode {

// First byte of programming enable, chip erase and the lock and fuse writes;
// the second byte says which.
inline constexpr std::uint8_t program = 0xAC;
inline constexpr std::uint8_t enable = 0x53;     // second byte of programming enable, echoed third
inline constexpr std::uint8_t chip_erase = 0x80; // second byte of chip erase
inline constexpr std::uint8_t write_lock = 0xE0; // second byte of the lock write (newer chips)
inline constexpr std::uint8_t write_fuse_low = 0xA0;
inline constexpr std::uint8_t write_fuse_high = 0xA8;
inline constexpr std::uint8_t write_fuse_ext = 0xA4;

inline constexpr std::uint8_t read_signature = 0x30;
inline constexpr std::uint8_t read_calibration = 0x38;
// Lock bits; with second byte 0x08 the high fuse byte. The fuse read of the oldest format.
inline constexpr std::uint8_t read_lock = 0x58;
// Low fuse byte; with second byte 0x08 the extended fuse byte.
inline constexpr std::uint8_t read_fuse = 0x50;
inline constexpr std::uint8_t high_byte_select = 0x08; // second byte of the high and extended reads

inline constexpr std::uint8_t read_flash_low = 0x20;
inline constexpr std::uint8_t read_flash_high = 0x28;
inline constexpr std::uint8_t load_flash_low = 0x40; // also the byte write of chips without pages
inline constexpr std::uint8_t load_flash_high = 0x48;
inline constexpr std::uint8_t write_page = 0x4C;
inline constexpr std::uint8_t load_extended_address = 0x4D;
inline constexpr std::uint8_t read_eeprom = 0xA0;
inline constexpr std::uint8_t write_eeprom = 0xC0;
inline constexpr std::uint8_t poll_ready = 0xF0;

} // namespace isp_opcode

} // namespace quarnel
