// One row of the device catalogue and the flag and poll codes it uses.
#pragma once

#include <cstdint>

namespace quarnel {

struct FuseLayout; // fuse_layouts.h

// Poll codes of flash_poll and eeprom_poll.
enum poll_code : int {
    POLL_NONE = 0,      // writes are timed
    POLL_DATA_FF00 = 1, // data polling; 0xFF and 0x00 cannot be polled
    POLL_DATA_807F = 2, // data polling; 0x80 and 0x7F cannot be polled
    POLL_DATA_7F = 3,   // data polling; 0x7F cannot be polled
    POLL_DATA_FF = 4,   // data polling; 0xFF cannot be polled
    POLL_RDY_BSY = 5,   // Poll RDY/BSY instruction
};

// Behaviour flags. Two bits are set in catalogue rows without any operation
// consulting them; they keep the catalogue's values under names of their own.
inline constexpr std::uint32_t DEV_RESERVED_1 = 0x0001;
inline constexpr std::uint32_t DEV_NO_ECHO = 0x0002;
inline constexpr std::uint32_t DEV_RESERVED_4 = 0x0004;
inline constexpr std::uint32_t DEV_HIDDEN = 0x0008;
inline constexpr std::uint32_t DEV_SCK_2_5 = 0x0010;
inline constexpr std::uint32_t DEV_SCK_5_17 = 0x0020;
inline constexpr std::uint32_t DEV_LOCKED_WRITE_OK = 0x0040;
inline constexpr std::uint32_t DEV_ERASE_TWICE = 0x0080;
inline constexpr std::uint32_t DEV_NEW_LINE = 0x8000;

struct DeviceInfo {
    const char* names;       // aliases joined by '|'; the whole text is the display name
    std::uint32_t signature; // first signature byte highest
    std::int32_t erase_ms;
    std::int32_t flash_size;
    std::int32_t flash_page; // 0: byte-wise flash programming
    std::int32_t flash_write_ms;
    std::int32_t flash_poll;
    std::int32_t eeprom_size;
    std::int32_t eeprom_page;
    std::int32_t eeprom_write_ms;
    std::int32_t eeprom_poll;
    std::int32_t osccal_count;
    std::uint32_t flags;
    std::uint8_t lock_format;
    std::uint8_t fuse_format;
    std::uint8_t reserved[2] = {};
    const FuseLayout* fuse_layout;
};

} // namespace quarnel
