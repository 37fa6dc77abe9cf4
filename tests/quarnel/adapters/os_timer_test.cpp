// Tests of the timer's wait modes and measurements, and of spi_t's byte and buffer defaults.
#include "quarnel/adapters/os_timer.h"
#include "tests/support/bare_spi.h"

#include "platform/clock.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quarnel;

TEST(OsTimer, WaitModeFollowsTheExactThresholds) {
    os_timer_t timer;
    const struct {
        float ms;
        int mode;
    } cases[] = {{0.0f, os_timer_t::WAIT_SPIN},   {0.5f, os_timer_t::WAIT_SPIN},
                 {0.999f, os_timer_t::WAIT_SPIN}, {1.0f, os_timer_t::WAIT_YIELD},
                 {9.99f, os_timer_t::WAIT_YIELD}, {10.0f, os_timer_t::WAIT_SLEEP},
                 {250.0f, os_timer_t::WAIT_SLEEP}};
    for (const auto& c : cases) {
        timer.set_delay(c.ms);
        EXPECT_EQ(timer.wait_mode(), c.mode) << c.ms << " ms";
    }
}

TEST(OsTimer, WaitsLastAtLeastTheirLengthInEveryMode) {
    os_timer_t timer;
    for (float ms : {0.0f, 0.2f, 2.0f, 12.5f}) {
        timer.set_delay(ms);
        const auto start = platform::counter_now();
        timer.wait();
        const double waited_ms = static_cast<double>(platform::counter_now() - start) * 1000.0 /
                                 static_cast<double>(platform::counter_frequency());
        EXPECT_GE(waited_ms, ms * 0.999) << ms;
        EXPECT_TRUE(timer.expired());
    }
}

// Waits of a millisecond and more leave the processor to others: a run spends most of its
// time in page waits, and a spinning wait would keep a core busy throughout.
TEST(OsTimer, WaitsFromOneMillisecondOnGiveTheProcessorUp) {
    os_timer_t timer;
    for (float ms : {1.0f, 6.0f, 12.5f}) {
        timer.set_delay(ms);
        const int waits = static_cast<int>(60.0f / ms);
        const std::int64_t cpu_start = platform::process_cpu_us();
        for (int i = 0; i < waits; ++i) {
            timer.wait();
        }
        const double cpu_ms = static_cast<double>(platform::process_cpu_us() - cpu_start) / 1000.0;
        EXPECT_LT(cpu_ms, 0.5 * waits * ms) << ms << " ms";
    }
}

TEST(OsTimer, DelayCountsFromTheWaitNotFromSetDelay) {
    os_timer_t timer;
    timer.set_delay(5.0f);
    platform::sleep_ms(8);
    EXPECT_TRUE(timer.expired());
    const auto start = platform::counter_now();
    timer.wait();
    const double waited_ms = static_cast<double>(platform::counter_now() - start) * 1000.0 /
                             static_cast<double>(platform::counter_frequency());
    EXPECT_GE(waited_ms, 4.99);
}

TEST(OsTimer, ElapsedIncludesTheRunningIntervalAndStopsWithStop) {
    os_timer_t timer;
    timer.restart();
    platform::sleep_ms(3);
    const long double running = timer.elapsed_ms();
    EXPECT_GE(running, 3.0L);
    platform::sleep_ms(2);
    timer.stop();
    const long double total = timer.elapsed_ms();
    EXPECT_GE(total, running + 2.0L);
    platform::sleep_ms(3);
    EXPECT_EQ(timer.elapsed_ms(), total);
    // After a restart only the new interval counts: it lies within the time measured around it.
    const auto before = platform::counter_now();
    timer.restart();
    const long double restarted = timer.elapsed_ms();
    const long double around = static_cast<long double>(platform::counter_now() - before) *
                               1000.0L / static_cast<long double>(platform::counter_frequency());
    EXPECT_LE(restarted, around);
}

namespace {

// Answers each byte with its complement and records what was sent.
class recording_spi_t : public bare_spi_t {
  public:
    bool is_packet_based() override { return false; }
    std::uint8_t transfer_byte(std::uint8_t out) override {
        sent.push_back(out);
        return static_cast<std::uint8_t>(~out);
    }
    void set_reset(bool) override {}
    void reset_pulse() override {}
    void sck_pulse() override {}
    void delay_ms(float) override {}
    float sck_frequency() override { return 1.0f; }
    const char* name() override { return "recording"; }

    std::vector<std::uint8_t> sent;
};

} // namespace

TEST(SpiBase, ByteAndBufferDefaultsGoThroughTransferByteInArrayOrder) {
    recording_spi_t spi;
    EXPECT_EQ(spi.receive_byte(), 0xFF);
    spi.send_byte(0x5A);
    const std::uint8_t out[3] = {0x30, 0x00, 0x01};
    std::uint8_t in[3] = {};
    spi.transfer_buffer(out, in, 3);
    spi.send_buffer(out, 3);
    std::uint8_t received[2] = {};
    spi.receive_buffer(received, 2);
    EXPECT_EQ(spi.sent, (std::vector<std::uint8_t>{0x00, 0x5A, 0x30, 0x00, 0x01, 0x30, 0x00, 0x01,
                                                   0x00, 0x00}));
    EXPECT_EQ(in[0], 0xCF);
    EXPECT_EQ(in[1], 0xFF);
    EXPECT_EQ(in[2], 0xFE);
    EXPECT_EQ(received[0], 0xFF);
    EXPECT_EQ(received[1], 0xFF);
}
