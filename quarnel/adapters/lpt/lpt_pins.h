// Parallel-port lines as pin-map masks: data, status and control registers.
#pragma once

#include "quarnel/adapters/pinmap.h"

#include <cstdint>

namespace quarnel {

// Mask bits: 0-7 data register, 8-15 status register, 16-23 control register.
inline constexpr std::uint32_t LPT_D0 = 0x01, LPT_D1 = 0x02, LPT_D2 = 0x04, LPT_D3 = 0x08,
                               LPT_D4 = 0x10, LPT_D5 = 0x20, LPT_D6 = 0x40, LPT_D7 = 0x80;
inline constexpr std::uint32_t LPT_ERROR = 0x800, LPT_ONLINE = 0x1000, LPT_PE = 0x2000,
                               LPT_ACK = 0x4000, LPT_BUSY = 0x8000;
inline constexpr std::uint32_t LPT_STROBE = 0x10000, LPT_ALF = 0x20000, LPT_INIT = 0x40000,
                               LPT_SELECT = 0x80000, LPT_BIDIR_EN = 0x200000;

inline constexpr std::uint32_t LPT_DATA_LINES = 0xFF;

// Pin names of parallel-port adapter pin maps.
extern const pin_table_t lpt_pin_table;

// The register parts of a mask.
inline std::uint8_t data_part(std::uint32_t mask) {
    return mask & 0xFF;
}
inline std::uint8_t status_part(std::uint32_t mask) {
    return (mask >> 8) & 0xFF;
}
inline std::uint8_t control_part(std::uint32_t mask) {
    return (mask >> 16) & 0xFF;
}

} // namespace quarnel
