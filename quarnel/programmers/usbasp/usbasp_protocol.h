// The USBasp firmware's vendor requests, block flags and SCK settings.
#pragma once

#include <cstdint>

namespace quarnel::usbasp {

enum function : std::uint8_t {
    CONNECT = 1,
    DISCONNECT = 2,
    TRANSMIT = 3,
    READFLASH = 4,
    ENABLEPROG = 5,
    WRITEFLASH = 6,
    READEEPROM = 7,
    WRITEEEPROM = 8,
    SETLONGADDRESS = 9,
    SETISPSCK = 10,
    GETCAPABILITIES = 127,
};

// The first block of a page sequence starts the firmware's page counter; after the last one
// it writes a page it has loaded only in part.
inline constexpr std::uint8_t block_first = 1;
inline constexpr std::uint8_t block_last = 2;

// The firmware's USB stack counts a request's data in one byte; the blocks stay below that, in
// whole 8-byte packets.
inline constexpr long max_block = 248;

// The ISP clock the firmware makes for a SETISPSCK setting, in Hz (index: the setting; 0 is the
// firmware's choice, which is its default speed).
inline constexpr std::uint32_t sck_hz[] = {375000, 500,   1000,   2000,   4000,   8000,   16000,
                                           32000,  93750, 187500, 375000, 750000, 1500000};
inline constexpr int sck_settings = sizeof sck_hz / sizeof sck_hz[0];
// What firmware without SETISPSCK clocks at (without its slow-clock jumper).
inline constexpr std::uint32_t default_sck_hz = 375000;

// The firmware's own waits after a flash page or byte it does not poll (its last byte is 0xFF)
// and after each EEPROM byte.
inline constexpr float flash_wait_ms = 4.8f;
inline constexpr float eeprom_wait_ms = 9.6f;

// The setting with the fastest SCK not above `limit_hz`; 0 when even the slowest is above it.
int sck_setting_for(std::uint32_t limit_hz);

} // namespace quarnel::usbasp
