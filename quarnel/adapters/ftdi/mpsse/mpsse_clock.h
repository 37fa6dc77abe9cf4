// SCK clock settings of the MPSSE engine for a requested frequency.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <cstdint>
#include <vector>

namespace quarnel {

struct mpsse_clock_t {
    std::uint8_t prefix = 0; // divide-by-5 command sent first; 0: none (FT2232C/D)
    std::uint32_t base_hz = 0;
    std::uint16_t divisor = 0;
    float sck_mhz = 0; // the frequency achieved
};

// The fastest SCK not above `requested_hz` the chip can make. A request the divisor cannot
// reach (0 Hz included) logs the lowest frequency there is and raises app_error 70.
mpsse_clock_t mpsse_clock(ftdi_chip_type chip_type, std::uint32_t requested_hz);

// Prefix (if any), set divisor, send immediate: one write.
std::vector<std::uint8_t> mpsse_clock_commands(const mpsse_clock_t& clock);

} // namespace quarnel
