// EEPROM read, both write modes and verify against the in-process chip.
#include "dorvik/eeprom_ops.h"

#include "tests/dorvik/bench.h"

#include <gtest/gtest.h>

using namespace dorvik;

TEST(DorvikEepromOps, ReadShowsOneProgressLinePerByte) {
    Bench bench("mega48");
    bench.start("atmega48");
    for (std::size_t a = 0; a < 256; ++a) {
        bench.chip().eeprom[a] = static_cast<std::uint8_t>(a ^ 0x5A);
    }
    Image image(256, 0x00);
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_eeprom(image), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(image, bench.chip().eeprom);
    const std::string line = "\r  Read EEPROM...\t\t\t\t\t:";
    std::size_t lines = 0;
    for (std::size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 256u);
    EXPECT_TRUE(out.starts_with(line + "0%" + line + "0%"));
    EXPECT_TRUE(out.ends_with(line + "100%\r  Read EEPROM...\t\t\t\t\tok.\t\n"));
}

TEST(DorvikEepromOps, AfterEraseOnlyProgrammedBytesAreSent) {
    Bench bench("mega48");
    bench.start("atmega48");
    Image image(256, 0xFF);
    image[3] = 0x00;
    image[200] = 0x42;
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_eeprom(image, EepromWriteMode::EEPROM_WRITE_SKIP_ERASED), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(bench.count(0xC0), 2u);
    EXPECT_EQ(bench.chip().eeprom, image);
    EXPECT_TRUE(out.starts_with("\r  Write EEPROM...\r  Write EEPROM...\t\t\t\t\t:0%"));
    EXPECT_NE(out.find("\r  Write EEPROM...\t\t\t\t\tok.\t\n"), std::string::npos);
    EXPECT_TRUE(
        out.ends_with("\r  Verify EEPROM...\t\t\t\t\t:100%\r  Verify EEPROM...\t\t\t\t\tok.\t\n"));
}

TEST(DorvikEepromOps, WriteAllSendsEveryByteAndOverwritesOldContent) {
    Bench bench("mega48");
    bench.start("atmega48");
    bench.chip().eeprom.assign(256, 0x00);
    Image image(256, 0xFF);
    image[7] = 0x77;
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_eeprom(image, EepromWriteMode::EEPROM_WRITE_ALL), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(bench.count(0xC0), 256u);
    EXPECT_EQ(bench.chip().eeprom, image);
}

TEST(DorvikEepromOps, VerifyReportsEveryDifference) {
    Bench bench("mega48");
    bench.start("atmega48");
    bench.chip().eeprom[10] = 0x00; // not erased, and 0xFF bytes are skipped
    Image image(256, 0xFF);
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_eeprom(image, EepromWriteMode::EEPROM_WRITE_SKIP_ERASED), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(":3%Error write EEPROM memory.\n\r  Verify EEPROM"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\r  Verify EEPROM...\t\t\t\t\terror.\t\n"));
}

TEST(DorvikEepromOps, AByteThatNeverFinishesStopsTheWrite) {
    Bench bench("mega48", ChipSettings{.writes_never_finish = true});
    bench.start("atmega48");
    Image image(256, 0xFF);
    image[5] = 0x01;
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_eeprom(image, EepromWriteMode::EEPROM_WRITE_SKIP_ERASED), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(out.ends_with("\n  Error: the chip did not finish writing address 0005.\n"
                              "\r  Write EEPROM...\t\t\t\t\terror.\t\n"));
    EXPECT_EQ(out.find("Verify"), std::string::npos);
}
