// The STK500 version 1 bytes the ArduinoISP sketch understands.
#pragma once

#include <cstdint>

namespace quarnel::stk500 {

inline constexpr std::uint8_t ok = 0x10;
inline constexpr std::uint8_t in_sync = 0x14;
inline constexpr std::uint8_t end_of_packet = 0x20; // Sync_CRC_EOP

inline constexpr std::uint8_t get_sync = 0x30;
inline constexpr std::uint8_t get_sign_on = 0x31;
inline constexpr std::uint8_t get_parameter = 0x41;
inline constexpr std::uint8_t set_device = 0x42;
inline constexpr std::uint8_t enter_progmode = 0x50;
inline constexpr std::uint8_t leave_progmode = 0x51;
inline constexpr std::uint8_t load_address = 0x55; // a word address, low byte first
inline constexpr std::uint8_t universal = 0x56;    // one ISP instruction; its last byte back
inline constexpr std::uint8_t prog_page = 0x64;
inline constexpr std::uint8_t read_page = 0x74;

inline constexpr std::uint8_t memory_flash = 'F';
inline constexpr std::uint8_t memory_eeprom = 'E';

inline constexpr std::uint8_t parameter_major = 0x81;
inline constexpr std::uint8_t parameter_minor = 0x82;

inline constexpr int largest_block = 256; // the sketch's buffer

} // namespace quarnel::stk500
