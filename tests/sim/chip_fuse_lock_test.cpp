// Lock and fuse bytes of the virtual chip in each catalogue format, and what a lock hides.
#include <gtest/gtest.h>

#include "tests/sim/isp_helpers.h"

namespace {

chip_spi_t& programming(chip_spi_t& spi) {
    enter_programming(spi);
    return spi;
}

std::uint8_t read_fuse(chip_spi_t& spi, std::uint8_t b1, std::uint8_t b2) {
    return isp(spi, b1, b2, 0x00, 0x00)[3];
}

TEST(ChipLock, LevelTwoHidesMemoriesAndLockBitsOnlyProgram) {
    chip_spi_t spi("mega8");
    spi.state().flash[0] = 0x12;
    spi.state().eeprom[0] = 0x34;
    programming(spi);
    isp(spi, 0xAC, 0xE0, 0x00, 0xFC);
    spi.delay_ms(20);
    EXPECT_EQ(read_fuse(spi, 0x58, 0x00), 0xFC);
    EXPECT_EQ(isp(spi, 0x20, 0x00, 0x00, 0x00)[3], 0xFF);
    EXPECT_EQ(isp(spi, 0xA0, 0x00, 0x00, 0x00)[3], 0xFF);
    EXPECT_EQ(read_signature(spi), 0x1E9307u); // new chips keep their signature
    isp(spi, 0xAC, 0xE0, 0x00, 0xFF);          // cannot release
    spi.delay_ms(20);
    EXPECT_EQ(read_fuse(spi, 0x58, 0x00), 0xFC);
    isp(spi, 0xAC, 0x80, 0x00, 0x00);
    spi.delay_ms(20);
    EXPECT_EQ(read_fuse(spi, 0x58, 0x00), 0xFF);
}

TEST(ChipLock, LevelOneRefusesWritesButReads) {
    chip_spi_t spi("mega8");
    spi.state().fuses[0] = 0xFE; // LB1 programmed
    spi.state().eeprom[1] = 0x34;
    programming(spi);
    isp(spi, 0xC0, 0x00, 0x00, 0x55);
    isp(spi, 0xAC, 0xA0, 0x00, 0x00); // fuses are locked too
    spi.delay_ms(20);
    EXPECT_EQ(spi.state().eeprom[0], 0xFF);
    EXPECT_EQ(isp(spi, 0xA0, 0x00, 0x01, 0x00)[3], 0x34);
    EXPECT_EQ(read_fuse(spi, 0x50, 0x00), 0xE1);
}

TEST(ChipLock, OldLockedChipShowsSignature000102) {
    chip_spi_t spi("90S2313"); // lock format 0: write only
    spi.state().flash[0] = 0x12;
    programming(spi);
    isp(spi, 0xAC, 0xF9, 0x00, 0x00);
    spi.delay_ms(30);
    EXPECT_EQ(read_signature(spi), 0x000102u);
    EXPECT_EQ(isp(spi, 0x20, 0x00, 0x00, 0x00)[3], 0xFF);
}

TEST(ChipLock, ReadFormatsPlaceTheLockBitsAsTheCatalogueSays) {
    chip_spi_t one("tiny22L"); // format 1: LB1 bit 7, LB2 bit 6
    programming(one);
    isp(one, 0xAC, 0xFD, 0x00, 0x00); // LB1 only: level 1
    one.delay_ms(30);
    EXPECT_EQ(read_fuse(one, 0x58, 0x00) & 0xC0, 0x40);

    chip_spi_t two("tiny12"); // format 2: bits 2..1
    programming(two);
    isp(two, 0xAC, 0xF9, 0x00, 0x00);
    two.delay_ms(30);
    EXPECT_EQ(read_fuse(two, 0x58, 0x00) & 0x06, 0x00);

    chip_spi_t three("mega8"); // format 3 keeps the boot lock bits
    programming(three);
    isp(three, 0xAC, 0xE0, 0x00, 0xF3);
    three.delay_ms(20);
    isp(three, 0xAC, 0xF0, 0x00, 0xFC); // any 111x xxxx second byte writes the lock
    three.delay_ms(20);
    EXPECT_EQ(read_fuse(three, 0x58, 0x00), 0xF0);
}

TEST(ChipFuses, ModernFormatReadsAndWritesFourBytes) {
    chip_spi_t spi("mega328P");
    programming(spi);
    EXPECT_EQ(read_fuse(spi, 0x50, 0x00), 0x62);
    EXPECT_EQ(read_fuse(spi, 0x58, 0x08), 0xD9);
    EXPECT_EQ(read_fuse(spi, 0x50, 0x08), 0xFF);
    isp(spi, 0xAC, 0xA0, 0x00, 0xFF);
    spi.delay_ms(20);
    isp(spi, 0xAC, 0xA8, 0x00, 0xFF); // SPIEN (bit 5) cannot be released over ISP
    spi.delay_ms(20);
    isp(spi, 0xAC, 0xA4, 0x00, 0x00); // only BODLEVEL (bits 2..0) exists
    spi.delay_ms(20);
    EXPECT_EQ(read_fuse(spi, 0x50, 0x00), 0xFF);
    EXPECT_EQ(read_fuse(spi, 0x58, 0x08), 0xFF & ~0x20);
    EXPECT_EQ(read_fuse(spi, 0x50, 0x08), 0xF8);
    EXPECT_EQ(isp(spi, 0x38, 0x00, 0x00, 0x00)[3], spi.state().calibration[0]);
}

TEST(ChipFuses, SingleByteFormatsCarryTheFuseInTheSecondByte) {
    chip_spi_t one("90S4434"); // format 1: FSTRT in bit 0, read with 0x58
    programming(one);
    EXPECT_EQ(read_fuse(one, 0x58, 0x00) & 1, 1);
    isp(one, 0xAC, 0xBE, 0x00, 0x00);
    one.delay_ms(30);
    EXPECT_EQ(read_fuse(one, 0x58, 0x00), 0xFE);

    chip_spi_t two("90S2333"); // format 2: BODLEVEL, BODEN, CKSEL in bits 4..0, read with 0x50
    programming(two);
    isp(two, 0xAC, 0xA9, 0x00, 0x00);
    two.delay_ms(30);
    EXPECT_EQ(read_fuse(two, 0x50, 0x00), 0xE9);
}

TEST(ChipFuses, AChipThatIgnoresFuseWritesKeepsItsFuses) {
    ChipSettings stubborn;
    stubborn.ignore_fuse_writes = true;
    chip_spi_t spi("mega8", stubborn);
    programming(spi);
    isp(spi, 0xAC, 0xA0, 0x00, 0xEF);
    spi.delay_ms(20);
    EXPECT_EQ(read_fuse(spi, 0x50, 0x00), 0xE1);
}

TEST(ChipFuses, CalibrationBytesByIndex) {
    chip_spi_t spi("mega8");
    programming(spi);
    for (std::uint8_t i = 0; i < 4; ++i) {
        EXPECT_EQ(isp(spi, 0x38, 0x00, i, 0x00)[3], spi.state().calibration[i]);
    }
    EXPECT_EQ(isp(spi, 0x38, 0x00, 4, 0x00)[3], 0xFF);
}

} // namespace
