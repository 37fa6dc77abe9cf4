// Bit-bang clock choice.
#include "quarnel/adapters/ftdi/bitbang/bitbang_clock.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"

#include <cmath>

namespace quarnel {

namespace {
// The rate set is 3 MHz over four times a divisor of whole eighths, 1 to 16383.875.
constexpr std::uint64_t rate_eighths = 8 * 3000000ull / 4;
constexpr std::uint64_t fastest_eighths = 8;
constexpr std::uint64_t slowest_eighths = 8 * 16383ull + 7;
constexpr std::uint64_t bytes_per_baud = 16;
constexpr std::uint64_t bytes_per_bit = 2;
constexpr std::uint64_t sck_eighths = rate_eighths * bytes_per_baud / bytes_per_bit;
} // namespace

bitbang_clock_t bitbang_clock(std::uint32_t sck_hz) {
    std::uint64_t eighths = sck_hz == 0 ? slowest_eighths + 1 : (sck_eighths + sck_hz - 1) / sck_hz;
    if (eighths < fastest_eighths) {
        eighths = fastest_eighths;
    }
    if (eighths > slowest_eighths) {
        const double slowest = static_cast<double>(sck_eighths) / slowest_eighths;
        console_log(0, "SCK frequency for FTDI bit-bang adapter must be higher than %s\n",
                    format_frequency(slowest, FREQ_HZ).c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    const double baud = static_cast<double>(rate_eighths) / static_cast<double>(eighths);
    return {static_cast<std::uint32_t>(std::lround(baud)),
            static_cast<float>(baud * bytes_per_baud / bytes_per_bit / 1e6)};
}

} // namespace quarnel
