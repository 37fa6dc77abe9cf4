// Raw four-byte ISP instructions over chip_spi_t for the chip model tests.
#pragma once

#include <array>
#include <cstdint>

#include "tests/support/chip_spi.h"

using Reply = std::array<std::uint8_t, 4>;

inline Reply isp(chip_spi_t& spi, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                 std::uint8_t b4) {
    const std::uint8_t out[4] = {b1, b2, b3, b4};
    Reply in{};
    spi.transfer_buffer(out, in.data(), 4);
    return in;
}

// Reset asserted, the start-up wait, programming enable; returns the third reply byte.
inline std::uint8_t enter_programming(chip_spi_t& spi) {
    spi.set_reset(true);
    spi.delay_ms(25);
    return isp(spi, 0xAC, 0x53, 0x00, 0x00)[2];
}

inline std::uint32_t read_signature(chip_spi_t& spi) {
    std::uint32_t signature = 0;
    for (std::uint8_t index = 0; index < 3; ++index) {
        signature = (signature << 8) | isp(spi, 0x30, 0x00, index, 0x00)[3];
    }
    return signature;
}
