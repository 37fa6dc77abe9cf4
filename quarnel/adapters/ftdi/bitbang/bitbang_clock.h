// The bit-bang clock of the full-speed FTDI chips: 16 bytes a second for each baud of the rate
// set in a bit-bang mode, which the libraries ask of the chip times four (3 MHz over a divisor
// counted in eighths).
#pragma once

#include <cstdint>

namespace quarnel {

struct bitbang_clock_t {
    std::uint32_t baud_rate; // to set in bit-bang mode
    float sck_mhz;           // two bytes a bit
};

// The fastest clock whose SCK does not exceed `sck_hz`; below the slowest divisor (SCK 366 Hz)
// logs its reason and raises app_error 70.
bitbang_clock_t bitbang_clock(std::uint32_t sck_hz);

} // namespace quarnel
