// Erase, fuse and lock writes with their read-back, and device selection.
#include "dorvik/config_bytes.h"

#include "dorvik/device_select.h"
#include "dorvik/run_state.h"
#include "tests/dorvik/bench.h"

#include <gtest/gtest.h>

using namespace dorvik;

TEST(DorvikConfigBytes, FuseWritesAreReadBack) {
    Bench bench("mega8");
    bench.start("atmega8");
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_fuse_low(0xE4), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Write low fuse bits...\r  Write low fuse bits...\t\t\t\tok.\t\n");
    EXPECT_EQ(read_fuse_low(), 0xE4);
}

TEST(DorvikConfigBytes, IgnoredFuseWriteIsAnError) {
    Bench bench("mega48", ChipSettings{.ignore_fuse_writes = true});
    bench.start("atmega48");
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_fuse_ext(0xFE), -1);
    EXPECT_EQ(write_fuse_high(0xD7), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Write extended fuse bits...\r  Write extended fuse bits...\t\t\terror.\t\n"
              "  Write high fuse bits...\r  Write high fuse bits...\t\t\t\terror.\t\n");
}

TEST(DorvikConfigBytes, LockIsWrittenWithItsTopBitsSet) {
    Bench bench("mega8");
    bench.start("atmega8");
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_lock(0x3C), 1);
    std::uint8_t lock = read_lock();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Write lock bits...\r  Write lock bits...\t\t\t\t\tok.\t\n  Read lock bits");
    const auto& sent = bench.log().instructions;
    const auto write = std::find_if(sent.begin(), sent.end(),
                                    [](const auto& i) { return i[0] == 0xAC && i[1] == 0xF0; });
    ASSERT_NE(write, sent.end());
    EXPECT_EQ((*write)[3], 0xFC);
    EXPECT_EQ(lock & 0x3F, 0x3C);
}

TEST(DorvikConfigBytes, EraseClearsFlashAndNeedsANewEnable) {
    Bench bench("mega8");
    bench.start("atmega8");
    bench.chip().flash[100] = 0x00;
    testing::internal::CaptureStdout();
    erase_chip();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Erase chip...\r  Erase chip...\t\t\t\t\t\tok.\n");
    EXPECT_EQ(bench.chip().flash[100], 0xFF);
}

TEST(DorvikDeviceSelect, NamesArePrefixesTestedInTableOrder) {
    struct Row {
        const char* name;
        std::uint32_t flash, eeprom, mask;
        bool ext;
    };
    const Row rows[] = {
        {"atmega48", 4096, 256, 31, true},      {"atmega8", 8192, 512, 31, false},
        {"atmega88", 8192, 512, 31, false},     {"atmega164p", 16384, 512, 63, false},
        {"atmega16", 16384, 512, 63, false},    {"atmega328p", 32768, 1024, 63, false},
        {"atmega324", 32768, 1024, 63, false},  {"atmega644", 65536, 2048, 127, true},
        {"atmega64", 65536, 2048, 127, true},   {"atmega128", 65536, 4096, 127, true},
        {"atmega1284", 65536, 4096, 127, true},
    };
    for (const Row& row : rows) {
        state = RunState{};
        state.device_name = row.name;
        ASSERT_EQ(select_device(), 0) << row.name;
        EXPECT_EQ(state.flash_size, row.flash) << row.name;
        EXPECT_EQ(state.eeprom_size, row.eeprom) << row.name;
        EXPECT_EQ(state.page_mask, row.mask) << row.name;
        EXPECT_EQ(state.has_ext_fuse, row.ext) << row.name;
        EXPECT_EQ(state.serial_address, row.flash - 2) << row.name;
        EXPECT_EQ(state.serial_length, 2) << row.name;
    }
    for (const char* unknown : {"ATmega8", "mega8", "atmega", ""}) {
        state = RunState{};
        state.device_name = unknown;
        EXPECT_EQ(select_device(), -1) << unknown;
        EXPECT_EQ(state.flash_size, 0u);
    }
}
