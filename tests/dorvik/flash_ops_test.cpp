// Flash page writing, polling, progress, verify and reads against the in-process chip.
#include "dorvik/flash_ops.h"

#include "dorvik/eeprom_ops.h"
#include "tests/dorvik/bench.h"

#include <gtest/gtest.h>
#include <memory>
#include <regex>

using namespace dorvik;

namespace {

std::vector<int> percents(const std::string& output, const std::string& label) {
    std::vector<int> values;
    const std::regex pattern("\r  " + label + "\\.\\.\\.\t\t\t\t\t([0-9]+)%");
    for (auto it = std::sregex_iterator(output.begin(), output.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        values.push_back(std::stoi((*it)[1]));
    }
    return values;
}

} // namespace

TEST(DorvikFlashOps, BlankImageSendsNoPageButVerifiesEveryWord) {
    Bench bench("mega8");
    bench.start("atmega8");
    Image image(8192, 0xFF);
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_flash(image), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(bench.count(0x40) + bench.count(0x48) + bench.count(0x4C), 0u);
    EXPECT_EQ(bench.count(0x20) + bench.count(0x28), 8192u);
    EXPECT_NE(out.find("\r  Write FLASH...\t\t\t\t\tok.\t\n"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\r  Verify FLASH...\t\t\t\t\tok.\t\n"));
}

TEST(DorvikFlashOps, ProgressAfterEvery256WordsOnAtmega8) {
    Bench bench("mega8");
    bench.start("atmega8");
    Image image(8192, 0xFF);
    image[0] = 0x12;
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_flash(image), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::vector<int> expected{6, 12, 18, 25, 31, 37, 43, 50, 56, 62, 68, 75, 81, 87, 93, 100};
    EXPECT_EQ(percents(out, "Write FLASH"), expected);
    EXPECT_EQ(percents(out, "Verify FLASH"), expected);
}

TEST(DorvikFlashOps, PageWithOnlyAHighByteIsWrittenAndPolledOnIt) {
    Bench bench("mega8");
    bench.start("atmega8");
    Image image(8192, 0xFF);
    const std::uint32_t word = 3 * 32 + 5; // page 3 of 32-word pages
    image[2 * word + 1] = 0x12;
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_flash(image), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(bench.count(0x4C), 1u);
    EXPECT_EQ(bench.count(0x40), 32u);
    EXPECT_EQ(bench.count(0x48), 32u);
    const auto& sent = bench.log().instructions;
    const auto page_write =
        std::find_if(sent.begin(), sent.end(), [](const auto& i) { return i[0] == 0x4C; });
    ASSERT_NE(page_write, sent.end());
    EXPECT_EQ((*page_write)[1], 0x00);
    EXPECT_EQ((*page_write)[2], 3 * 32 + 31); // low byte of the page's last word
    const auto& poll = *(page_write + 1);
    EXPECT_EQ(poll[0], 0x28);
    EXPECT_EQ(poll[2], word);
    EXPECT_EQ(bench.chip().flash[2 * word + 1], 0x12);
}

TEST(DorvikFlashOps, WholeFirmwareLandsInTheChip) {
    Bench bench("mega328P");
    bench.start("atmega328p");
    Image image(32768, 0xFF);
    for (std::size_t i = 0; i < 3000; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    image[32766] = 0x34; // the serial number bytes at the end
    image[32767] = 0x12;
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_flash(image), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(bench.chip().flash, image);
    Image back(32768, 0x00);
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_flash(back), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Start read FLASH memory.\n  End read FLASH memory.\n");
    EXPECT_EQ(back, image);
}

TEST(DorvikFlashOps, DifferencesAreListedAndTheVerifyFails) {
    Bench bench("mega8");
    bench.start("atmega8");
    bench.chip().flash[0x10] = 0x00; // not erased: the blank image cannot match
    bench.chip().flash[0x21] = 0x5A;
    Image image(8192, 0xFF);
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_flash(image), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Error at address 0010.\nError at address 0021.\n"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\r  Verify FLASH...\t\t\t\t\terror.\t\n"));
}

TEST(DorvikFlashOps, APageThatNeverFinishesEndsTheWrite) {
    Bench bench("mega8", ChipSettings{.writes_never_finish = true});
    bench.start("atmega8");
    Image image(8192, 0xFF);
    image[0] = 0x01;
    image[4000] = 0x02;
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_flash(image), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "\r  Write FLASH...\n  Error: the chip did not finish writing address 0000.\n"
                   "\r  Write FLASH...\t\t\t\t\terror.\t\n");
    EXPECT_EQ(bench.count(0x4C), 1u);
}

TEST(DorvikFlashOps, ReadsFromAChipThatStopsAnsweringFail) {
    // A cable pulled after programming enable: MISO floats high, so no echo matches.
    struct Unplugged final : PortBackend {
        std::uint8_t read_port(std::uint32_t) override { return 0xFF; }
        void write_port(std::uint32_t, std::uint8_t) override {}
    };
    Bench bench("mega8");
    bench.start("atmega8");
    install_port_backend(std::make_unique<Unplugged>());
    Image flash(8192), eeprom(512);
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_flash(flash), -1);
    EXPECT_EQ(read_eeprom(eeprom), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(out.starts_with("  Start read FLASH memory.\n"
                                "  Error: the chip lost step while reading FLASH memory.\n"));
    EXPECT_TRUE(out.ends_with("\r  Read EEPROM...\t\t\t\t\terror.\t\n"
                              "  Error: the chip lost step while reading EEPROM memory.\n"));
}
