// Memories of the virtual chip: page and byte writes, extended addressing, erase, busy times.
#include <gtest/gtest.h>

#include "tests/sim/isp_helpers.h"

namespace {

chip_spi_t& programming(chip_spi_t& spi) {
    EXPECT_EQ(enter_programming(spi), 0x53);
    return spi;
}

std::uint8_t read_flash(chip_spi_t& spi, std::uint32_t byte_address) {
    const std::uint32_t word = byte_address >> 1;
    return isp(spi, (byte_address & 1) ? 0x28 : 0x20, std::uint8_t(word >> 8), std::uint8_t(word),
               0x00)[3];
}

TEST(ChipMemory, PageBufferTakesTheWordOffsetAndWritePageTheAddress) {
    chip_spi_t spi("mega8"); // 64-byte pages: 32 words
    programming(spi);
    isp(spi, 0x40, 0x00, 0x21, 0x12); // word 0x21: offset 1 in its page
    isp(spi, 0x48, 0x00, 0x21, 0x34);
    isp(spi, 0x4C, 0x00, 0x20, 0x00); // page at word 0x20
    spi.delay_ms(4.5f);
    EXPECT_EQ(read_flash(spi, 0x42), 0x12);
    EXPECT_EQ(read_flash(spi, 0x43), 0x34);
    EXPECT_EQ(read_flash(spi, 0x02), 0xFF);
    EXPECT_EQ(spi.state().flash[0x42], 0x12);
}

TEST(ChipMemory, FlashWithoutEraseOnlyClearsBits) {
    chip_spi_t spi("mega8");
    programming(spi);
    spi.state().flash[0] = 0x0F;
    isp(spi, 0x40, 0x00, 0x00, 0xF5);
    isp(spi, 0x4C, 0x00, 0x00, 0x00);
    spi.delay_ms(5);
    EXPECT_EQ(read_flash(spi, 0), 0x05);
}

TEST(ChipMemory, OldChipsWriteFlashByteByByte) {
    chip_spi_t spi("90S2313");
    programming(spi);
    isp(spi, 0x48, 0x00, 0x01, 0xAB); // high byte of word 1
    spi.delay_ms(6);
    EXPECT_EQ(read_flash(spi, 3), 0xAB);
    EXPECT_EQ(read_flash(spi, 2), 0xFF);
}

TEST(ChipMemory, ExtendedAddressSelectsTheUpperFlashOnLargeChipsOnly) {
    chip_spi_t big("mega2560");
    programming(big);
    isp(big, 0x4D, 0x00, 0x01, 0x00);
    isp(big, 0x40, 0x00, 0x00, 0x5A);
    isp(big, 0x4C, 0x00, 0x00, 0x00);
    big.delay_ms(5);
    EXPECT_EQ(big.state().flash[0x20000], 0x5A);
    EXPECT_EQ(big.state().flash[0], 0xFF);
    EXPECT_EQ(read_flash(big, 0), 0x5A); // still extended
    isp(big, 0x4D, 0x00, 0x00, 0x00);
    EXPECT_EQ(read_flash(big, 0), 0xFF);

    chip_spi_t small("mega128");
    programming(small);
    isp(small, 0x4D, 0x00, 0x01, 0x00); // not an instruction of this chip
    isp(small, 0x40, 0x00, 0x00, 0x5A);
    isp(small, 0x4C, 0x00, 0x00, 0x00);
    small.delay_ms(5);
    EXPECT_EQ(small.state().flash[0], 0x5A);
}

TEST(ChipMemory, AddressesWrapAtTheMemorySize) {
    chip_spi_t spi("mega8");
    programming(spi);
    spi.state().flash[2] = 0x77;
    EXPECT_EQ(read_flash(spi, 0x2002), 0x77); // word 0x1001 of an 8 KB chip is word 1
}

TEST(ChipMemory, EepromByteWrite) {
    chip_spi_t spi("mega8");
    programming(spi);
    isp(spi, 0xC0, 0x01, 0x10, 0x42);
    spi.delay_ms(10);
    EXPECT_EQ(isp(spi, 0xA0, 0x01, 0x10, 0x00)[3], 0x42);
    EXPECT_EQ(spi.state().eeprom[0x110], 0x42);
}

TEST(ChipMemory, EraseClearsFlashEepromAndLockUnlessEepromIsSaved) {
    chip_spi_t spi("mega8");
    spi.state().flash[5] = 0;
    spi.state().eeprom[7] = 0;
    spi.state().fuses[0] = 0xFC;
    programming(spi);
    isp(spi, 0xAC, 0x80, 0x00, 0x00);
    spi.delay_ms(20);
    EXPECT_EQ(spi.state().flash[5], 0xFF);
    EXPECT_EQ(spi.state().eeprom[7], 0xFF);
    EXPECT_EQ(isp(spi, 0x58, 0x00, 0x00, 0x00)[3], 0xFF);

    chip_spi_t saving("mega8");
    saving.state().eeprom[7] = 0;
    saving.state().fuses[2] = 0xD1; // EESAVE (high fuse bit 3) programmed
    programming(saving);
    isp(saving, 0xAC, 0x80, 0x00, 0x00);
    saving.delay_ms(20);
    EXPECT_EQ(saving.state().eeprom[7], 0x00);
}

TEST(ChipBusy, InstructionsSentWhileBusyAreLost) {
    chip_spi_t spi("mega328P"); // EEPROM byte: 3.6 ms on silicon, 5 ms in the catalogue
    programming(spi);
    isp(spi, 0xC0, 0x00, 0x00, 0x11);
    spi.delay_ms(3.0f);
    isp(spi, 0xC0, 0x00, 0x01, 0x22); // too early
    spi.delay_ms(1.0f);
    isp(spi, 0xC0, 0x00, 0x02, 0x33);
    spi.delay_ms(5);
    EXPECT_EQ(spi.state().eeprom[0], 0x11);
    EXPECT_EQ(spi.state().eeprom[1], 0xFF);
    EXPECT_EQ(spi.state().eeprom[2], 0x33);
    EXPECT_EQ(spi.chip().instructions().lost(), 1);
}

TEST(ChipBusy, PageLoadsDuringAPageWriteAreLost) {
    chip_spi_t spi("mega8");
    programming(spi);
    isp(spi, 0x40, 0x00, 0x00, 0x01);
    isp(spi, 0x4C, 0x00, 0x00, 0x00);
    spi.delay_ms(4.0f); // 4.5 ms needed
    isp(spi, 0x40, 0x00, 0x20, 0x02);
    spi.delay_ms(1);
    isp(spi, 0x4C, 0x00, 0x20, 0x00);
    spi.delay_ms(5);
    EXPECT_EQ(spi.state().flash[0], 0x01);
    EXPECT_EQ(spi.state().flash[0x40], 0xFF);
}

TEST(ChipBusy, BusyScaleStretchesEveryWrite) {
    ChipSettings slow;
    slow.busy_scale = 3;
    chip_spi_t spi("mega8", slow);
    programming(spi);
    isp(spi, 0xAC, 0x80, 0x00, 0x00); // 9 ms, scaled to 27 ms
    spi.delay_ms(20);
    isp(spi, 0xC0, 0x00, 0x00, 0x55);
    spi.delay_ms(30);
    EXPECT_EQ(spi.state().eeprom[0], 0xFF);
    isp(spi, 0xC0, 0x00, 0x00, 0x55);
    spi.delay_ms(30);
    EXPECT_EQ(spi.state().eeprom[0], 0x55);
}

TEST(ChipPolling, ReadyBusyOnlyOnChipsThatHaveIt) {
    chip_spi_t spi("mega328P");
    programming(spi);
    isp(spi, 0x40, 0x00, 0x00, 0x01);
    isp(spi, 0x4C, 0x00, 0x00, 0x00);
    spi.delay_ms(4.3f); // the answer comes some 100 us later, still inside the 4.5 ms
    EXPECT_EQ(isp(spi, 0xF0, 0x00, 0xFF, 0x00)[3] & 1, 1);
    spi.delay_ms(0.2f);
    EXPECT_EQ(isp(spi, 0xF0, 0x00, 0xFF, 0x00)[3] & 1, 0);

    chip_spi_t old("mega8"); // no RDY/BSY: the reply is the echo of the third byte
    programming(old);
    EXPECT_EQ(isp(old, 0xF0, 0x00, 0xFF, 0x00)[3], 0xFF);
}

TEST(ChipPolling, DataPollingReadsWhatSiliconShowsWhileBusy) {
    chip_spi_t mega("mega8"); // page flash reads 0xFF until written
    programming(mega);
    isp(mega, 0x40, 0x00, 0x00, 0x12);
    isp(mega, 0x4C, 0x00, 0x00, 0x00);
    EXPECT_EQ(read_flash(mega, 0), 0xFF);
    mega.delay_ms(4.5f);
    EXPECT_EQ(read_flash(mega, 0), 0x12);

    chip_spi_t old("90S2313"); // flash 0x7F; EEPROM 0x80 then 0x7F
    programming(old);
    isp(old, 0x40, 0x00, 0x00, 0x12);
    EXPECT_EQ(read_flash(old, 0), 0x7F);
    old.delay_ms(5);
    EXPECT_EQ(read_flash(old, 0), 0x12);
    isp(old, 0xC0, 0x00, 0x03, 0x44);
    EXPECT_EQ(isp(old, 0xA0, 0x00, 0x03, 0x00)[3], 0x80);
    old.delay_ms(2.5f);
    EXPECT_EQ(isp(old, 0xA0, 0x00, 0x03, 0x00)[3], 0x7F);
    old.delay_ms(2);
    EXPECT_EQ(isp(old, 0xA0, 0x00, 0x03, 0x00)[3], 0x44);

    chip_spi_t ff00("90S4434"); // EEPROM 0x00 then 0xFF
    programming(ff00);
    isp(ff00, 0xC0, 0x00, 0x00, 0x44);
    EXPECT_EQ(isp(ff00, 0xA0, 0x00, 0x00, 0x00)[3], 0x00);
    ff00.delay_ms(3);
    EXPECT_EQ(isp(ff00, 0xA0, 0x00, 0x00, 0x00)[3], 0xFF);
}

TEST(ChipPolling, WritesThatNeverFinishKeepTheChipBusy) {
    ChipSettings stuck;
    stuck.writes_never_finish = true;
    chip_spi_t spi("mega328P", stuck);
    programming(spi);
    isp(spi, 0xC0, 0x00, 0x00, 0x01);
    spi.delay_ms(1000);
    EXPECT_EQ(isp(spi, 0xF0, 0x00, 0xFF, 0x00)[3] & 1, 1);
    EXPECT_EQ(isp(spi, 0xA0, 0x00, 0x00, 0x00)[3], 0xFF);
}

} // namespace
