// The baud rates a full-speed FTDI chip makes: 3 MHz over a divisor in eighths.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace avrsim {

inline constexpr double baud_clock_hz = 3e6;

// The rate the chip's divisor gives for a rate asked for, or none when the chip cannot come
// within 3 % of it.
inline std::optional<double> achieved_baud_rate(std::uint32_t asked) {
    if (asked == 0) {
        return std::nullopt;
    }
    const double eighths = std::max(8.0, std::round(8.0 * baud_clock_hz / asked));
    const double achieved = baud_clock_hz * 8.0 / eighths;
    if (std::abs(achieved - asked) > 0.03 * asked || eighths > 8.0 * 16383) {
        return std::nullopt;
    }
    return achieved;
}

} // namespace avrsim
