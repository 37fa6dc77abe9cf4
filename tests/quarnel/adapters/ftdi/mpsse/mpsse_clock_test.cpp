// SCK divisors, achieved frequencies and the lowest-frequency refusal.
#include "quarnel/adapters/ftdi/mpsse/mpsse_clock.h"
#include "tests/quarnel/adapters/captured.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

constexpr ftdi_chip_type ft2232c = ftdi_chip_type::ft2232c, ft2232h = ftdi_chip_type::ft2232h,
                         ft4232h = ftdi_chip_type::ft4232h, ft232h = ftdi_chip_type::ft232h;

struct clock_case {
    ftdi_chip_type chip;
    std::uint32_t requested_hz;
    std::uint8_t prefix;
    std::uint16_t divisor;
    float sck_mhz;
};

TEST(MpsseClock, DivisorIsTheFastestClockNotAboveTheRequest) {
    const clock_case cases[] = {
        {ft2232c, 1000000, 0, 5, 1.0f},
        {ft2232c, 800000, 0, 7, 0.75f},
        {ft2232c, 10000000, 0, 0, 6.0f}, // never above the base
        {ft2232c, 190000, 0, 31, 0.1875f},
        {ft2232c, 92, 0, 65217, static_cast<float>(6.0 / 65218)},
        {ft2232h, 499999, 0x8B, 12, static_cast<float>(6.0 / 13)},
        {ft2232h, 500000, 0x8A, 59, 0.5f},
        {ft4232h, 2500000, 0x8A, 11, 2.5f},
        {ft232h, 30000000, 0x8A, 0, 30.0f},
        {ft232h, 4294967295u, 0x8A, 0, 30.0f}, // no wrap near 2^32
    };
    for (const clock_case& c : cases) {
        const mpsse_clock_t clock = mpsse_clock(c.chip, c.requested_hz);
        EXPECT_EQ(clock.prefix, c.prefix) << c.requested_hz;
        EXPECT_EQ(clock.divisor, c.divisor) << c.requested_hz;
        EXPECT_FLOAT_EQ(clock.sck_mhz, c.sck_mhz) << c.requested_hz;
    }
}

TEST(MpsseClock, CommandsCarryThePrefixOnlyOnHighSpeedChips) {
    EXPECT_EQ(mpsse_clock_commands(mpsse_clock(ft2232c, 92)),
              (std::vector<std::uint8_t>{0x86, 0xC1, 0xFE, 0x87}));
    EXPECT_EQ(mpsse_clock_commands(mpsse_clock(ft2232h, 500000)),
              (std::vector<std::uint8_t>{0x8A, 0x86, 59, 0, 0x87}));
}

TEST(MpsseClock, FrequenciesBelowTheLowestDivisorAreRefused) {
    for (const std::uint32_t hz : {91u, 1u, 0u}) {
        for (const ftdi_chip_type chip : {ft2232c, ft2232h}) {
            const Captured result = captured([&] { mpsse_clock(chip, hz); });
            EXPECT_EQ(result.status, 70) << hz;
            EXPECT_EQ(result.output, "SCK frequency for FTDI hardware SPI adapter (MPSSE) must "
                                     "be higher than 92Hz\n")
                << hz;
        }
    }
}

} // namespace
