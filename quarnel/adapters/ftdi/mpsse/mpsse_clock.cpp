// SCK divisor computation for FT2232C/D (6 MHz base) and the H chips (6 or 30 MHz base).
#include "quarnel/adapters/ftdi/mpsse/mpsse_clock.h"

#include "quarnel/adapters/ftdi/mpsse/mpsse_commands.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"

namespace quarnel {

namespace {
constexpr std::uint32_t slow_base_hz = 6000000;
constexpr std::uint32_t fast_base_hz = 30000000;
constexpr std::uint32_t fast_base_from_hz = 500000;
constexpr std::uint32_t max_divisor = 0xFFFF;
} // namespace

mpsse_clock_t mpsse_clock(ftdi_chip_type chip_type, std::uint32_t requested_hz) {
    mpsse_clock_t clock;
    if (chip_type == ftdi_chip_type::ft2232c) {
        clock.base_hz = slow_base_hz;
    } else if (requested_hz < fast_base_from_hz) {
        clock.prefix = mpsse::DIVIDE_BY_5_ON;
        clock.base_hz = slow_base_hz;
    } else {
        clock.prefix = mpsse::DIVIDE_BY_5_OFF;
        clock.base_hz = fast_base_hz;
    }
    // 0 Hz would divide by zero below; no divisor reaches it anyway.
    // 64 bits: the rounding addend must not wrap for requests near 2^32 Hz.
    const std::uint64_t n = requested_hz == 0
                                ? max_divisor + 2
                                : (std::uint64_t{clock.base_hz} + requested_hz - 1) / requested_hz;
    const std::uint64_t divisor = n == 0 ? 0 : n - 1;
    if (divisor > max_divisor) {
        console_log(
            0, "SCK frequency for FTDI hardware SPI adapter (MPSSE) must be higher than %s\n",
            format_frequency(static_cast<double>(clock.base_hz) / max_divisor, FREQ_HZ).c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    clock.divisor = static_cast<std::uint16_t>(divisor);
    clock.sck_mhz = static_cast<float>(clock.base_hz / 1e6 / (divisor + 1));
    return clock;
}

std::vector<std::uint8_t> mpsse_clock_commands(const mpsse_clock_t& clock) {
    std::vector<std::uint8_t> commands;
    commands.reserve(5);
    if (clock.prefix != 0) {
        commands.push_back(clock.prefix);
    }
    commands.push_back(mpsse::SET_CLOCK_DIVISOR);
    commands.push_back(static_cast<std::uint8_t>(clock.divisor & 0xFF));
    commands.push_back(static_cast<std::uint8_t>(clock.divisor >> 8));
    commands.push_back(mpsse::SEND_IMMEDIATE);
    return commands;
}

} // namespace quarnel
