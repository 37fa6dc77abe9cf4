// ISP link over the in-process adapter: bit pattern, echo check, probe, programming enable.
#include "dorvik/isp_driver.h"

#include "dorvik/run_state.h"
#include "tests/dorvik/bench.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

using namespace dorvik;

TEST(DorvikIspDriver, ProgrammingEnableReadsSignatureAndKeepsToTheFiveDataBytes) {
    Bench bench("mega8");
    select_for_test("atmega8");
    bench.install();
    testing::internal::CaptureStdout();
    ASSERT_EQ(isp_enter_programming(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  Reset device...\t\t\t\t\tok.\n");
    EXPECT_EQ(isp_command(0x30, 0x00, 0x00, 0x00), 0x1E);
    EXPECT_EQ(isp_command(0x30, 0x00, 0x01, 0x00), 0x93);
    EXPECT_EQ(isp_command(0x30, 0x00, 0x02, 0x00), 0x07);
    release_target();
    const auto& writes = bench.log().data_writes;
    EXPECT_EQ(writes.back(), 0xBC);
    const std::set<std::uint8_t> used(writes.begin(), writes.end() - 1);
    EXPECT_EQ(used, (std::set<std::uint8_t>{0x00, 0x10, 0x20, 0x30, 0x80}));
}

TEST(DorvikIspDriver, EachBitIsFourWritesAndOneRead) {
    Bench bench("mega8");
    select_for_test("atmega8");
    bench.install();
    isp_exchange_byte(0xA5);
    const std::vector<std::uint8_t> expected = {0x00, 0x20, 0x30, 0x30, 0x00, 0x00, 0x10, 0x10,
                                                0x00, 0x20, 0x30, 0x30, 0x00, 0x00, 0x10, 0x10,
                                                0x00, 0x00, 0x10, 0x10, 0x00, 0x20, 0x30, 0x30,
                                                0x00, 0x00, 0x10, 0x10, 0x00, 0x20, 0x30, 0x30};
    EXPECT_EQ(bench.log().data_writes, expected);
}

TEST(DorvikIspDriver, WrongEchoStopsTheInstructionWithFF) {
    // Outside programming mode the chip sends no echo.
    Bench bench("mega8", ChipSettings{.absent = true});
    select_for_test("atmega8");
    bench.install();
    EXPECT_EQ(isp_command(0x30, 0x00, 0x00, 0x00), 0xFF);
    EXPECT_EQ(bench.log().data_writes.size(), 2u * 8 * 4); // two bytes sent, then it stopped
}

TEST(DorvikIspDriver, ProbeNeedsBothLoopBacks) {
    Bench present("mega8");
    select_for_test("atmega8");
    present.install();
    EXPECT_EQ(probe_adapter(), 0);

    Bench missing("mega8", {}, false);
    missing.install();
    testing::internal::CaptureStdout();
    EXPECT_EQ(probe_adapter(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  Programmator interface not connected.\n");
}

TEST(DorvikIspDriver, SilentChipGetsThirtyThreeResetPulsesThenTheMessage) {
    Bench bench("mega8", ChipSettings{.absent = true});
    select_for_test("atmega8");
    bench.install();
    testing::internal::CaptureStdout();
    EXPECT_EQ(isp_enter_programming(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Reset device...\t\t\t\t\tok.\n"
              "  Check programmator interface and power supplay.\n");
    const auto& writes = bench.log().data_writes;
    EXPECT_EQ(std::count(writes.begin(), writes.end(), 0x80), 33);
}

TEST(DorvikIspDriver, ChipOutOfStepIsBroughtBackByTheResetPulse) {
    Bench bench("mega8", ChipSettings{.slip_bits = 3});
    select_for_test("atmega8");
    bench.install();
    testing::internal::CaptureStdout();
    EXPECT_EQ(isp_enter_programming(), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(isp_command(0x30, 0x00, 0x00, 0x00), 0x1E);
}
