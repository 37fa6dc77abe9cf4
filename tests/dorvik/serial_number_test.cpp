// Serial number layout, bounds, the code table and the read-back from the chip.
#include "dorvik/serial_number.h"

#include "dorvik/serial_code_table.h"
#include "tests/dorvik/bench.h"

#include <gtest/gtest.h>
#include <set>

using namespace dorvik;

TEST(DorvikSerialCodeTable, IsAPermutationWithErasedCodeLast) {
    std::set<std::uint32_t> codes(serial_code_table.begin(), serial_code_table.end());
    EXPECT_EQ(codes.size(), SERIAL_CODE_COUNT);
    EXPECT_EQ(*codes.rbegin(), 0xFFFFu); // upper halves are zero
    EXPECT_EQ(serial_code_lookup(65535), 0xFFFF);
    for (std::size_t i = 0; i + 1 < SERIAL_CODE_COUNT; ++i) {
        ASSERT_NE(serial_code_table[i], 0xFFFFu) << i;
    }
}

TEST(DorvikSerialCodeTable, CodesStayTheSameFromBuildToBuild) {
    // Chips already in the field carry these codes: the rule must never change.
    EXPECT_EQ(serial_code_lookup(0), 0x4732);
    EXPECT_EQ(serial_code_lookup(1), 0xFFD8);
    EXPECT_EQ(serial_code_lookup(4), 0x63E5);
    EXPECT_EQ(serial_code_lookup(65534), 0x9DD8);
    std::uint32_t hash = 2166136261u; // FNV-1a over the whole table
    for (const std::uint32_t code : serial_code_table) {
        hash = (hash ^ code) * 16777619u;
    }
    EXPECT_EQ(hash, 3489493485u);
}

TEST(DorvikSerialNumber, ValueIsStoredLeastSignificantByteFirst) {
    select_for_test("atmega8");
    state.serial_length = 4;
    Image flash(8192, 0xFF);
    state.serial_address = 100;
    store_serial_value(flash, 0x123456);
    EXPECT_EQ(std::vector<std::uint8_t>(flash.begin() + 100, flash.begin() + 105),
              (std::vector<std::uint8_t>{0x56, 0x34, 0x12, 0x00, 0xFF}));
    state.serial_length = 6;
    store_serial_value(flash, 0xFEDCBA98);
    EXPECT_EQ(std::vector<std::uint8_t>(flash.begin() + 100, flash.begin() + 107),
              (std::vector<std::uint8_t>{0x98, 0xBA, 0xDC, 0xFE, 0x00, 0x00, 0xFF}));
}

TEST(DorvikSerialNumber, TableCodeGoesIntoTwoBytes) {
    select_for_test("atmega8");
    state.serial_length = 1;
    Image flash(8192, 0xFF);
    store_serial_code(flash, 5);
    EXPECT_EQ(flash[8190], serial_code_lookup(4) & 0xFF);
    EXPECT_EQ(flash[8191], serial_code_lookup(4) >> 8);
}

TEST(DorvikSerialNumber, FieldAndValueBoundsAreChecked) {
    select_for_test("atmega8");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(serial_field_fits(2));
    EXPECT_FALSE(serial_field_fits(3));
    state.serial_address = 0xFFFFFFFF;
    EXPECT_FALSE(serial_field_fits(2));
    EXPECT_TRUE(serial_value_fits(65535));
    EXPECT_FALSE(serial_value_fits(65536));
    state.serial_length = 4;
    EXPECT_TRUE(serial_value_fits(0xFFFFFFFF));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Error: serial number of 3 bytes at address 8190 lies outside the 8192 bytes of "
              "flash.\n"
              "  Error: serial number of 2 bytes at address 4294967295 lies outside the 8192 "
              "bytes of flash.\n"
              "  Error: serial number 65536 does not fit in 2 bytes.\n");
}

TEST(DorvikSerialNumber, ReadBackGivesWhatWasStoredForEveryLength) {
    Bench bench("mega8");
    bench.start("atmega8");
    state.serial_address = 0x1001; // odd: starts in a high byte
    const std::uint8_t bytes[] = {0x56, 0x34, 0x12, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), bench.chip().flash.begin() + 0x1001);
    const std::pair<int, std::uint32_t> expected[] = {
        {1, 0x56}, {2, 0x3456}, {3, 0x123456}, {4, 0x123456}, {0, 0}};
    for (const auto& [length, value] : expected) {
        state.serial_length = length;
        EXPECT_EQ(read_serial_number(), value) << length;
        EXPECT_EQ(state.serial_value, value);
    }
}
