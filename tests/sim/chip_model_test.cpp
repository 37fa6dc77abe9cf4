// Scripted instruction sequences against the virtual chip model.
#include "sim/chip_model.h"

#include <gtest/gtest.h>

#include "tests/sim/isp_helpers.h"

namespace {

TEST(ChipFraming, ProgrammingEnableEchoesAndSignatureReads) {
    chip_spi_t spi("mega8");
    EXPECT_EQ(enter_programming(spi), 0x53);
    EXPECT_EQ(read_signature(spi), 0x1E9307u);
    // Every byte echoes the one before it.
    const Reply reply = isp(spi, 0x30, 0x00, 0x01, 0x00);
    EXPECT_EQ(reply[1], 0x30);
    EXPECT_EQ(reply[2], 0x00);
}

TEST(ChipFraming, NothingHappensWithoutResetOrBeforeTheStartupTime) {
    chip_spi_t spi("mega8");
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00), (Reply{0xFF, 0xFF, 0xFF, 0xFF}));
    spi.set_reset(true);
    spi.delay_ms(5); // datasheet: 20 ms after RESET goes low
    EXPECT_NE(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    spi.delay_ms(20);
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
}

TEST(ChipFraming, InstructionsNeedProgrammingEnableFirst) {
    chip_spi_t spi("mega8");
    spi.set_reset(true);
    spi.delay_ms(25);
    EXPECT_EQ(isp(spi, 0x30, 0x00, 0x00, 0x00)[3], 0x00); // echo only
    EXPECT_EQ(isp(spi, 0xAC, 0x53, 0x00, 0x00)[2], 0x53);
    EXPECT_EQ(isp(spi, 0x30, 0x00, 0x00, 0x00)[3], 0x1E);
    // Releasing reset leaves programming mode.
    spi.set_reset(false);
    spi.delay_ms(5);
    spi.set_reset(true);
    spi.delay_ms(25);
    EXPECT_EQ(isp(spi, 0x30, 0x00, 0x00, 0x00)[3], 0x00);
}

} // namespace
