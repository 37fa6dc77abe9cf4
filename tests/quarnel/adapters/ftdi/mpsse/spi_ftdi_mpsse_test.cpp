// The MPSSE adapter's command bytes, transfers and shutdown over a recording FTDI chip.
#include "quarnel/adapters/ftdi/mpsse/mpsse_adapter.h"
#include "quarnel/adapters/ftdi/mpsse/spi_ftdi_mpsse.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/quarnel/adapters/ftdi/recording_ftdi_chip.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <vector>

using namespace quarnel;

namespace {

using bytes = std::vector<std::uint8_t>;

class MpsseAdapter : public testing::Test {
  protected:
    mpsse_exit exit_mode = mpsse_exit::leave_mpsse;

    // The adapter for an -a text on a recording chip; the set-up calls are dropped from the log.
    std::unique_ptr<spi_ftdi_mpsse_t> make(const std::string& adapter_spec,
                                           std::uint32_t sck_hz = 190000) {
        const mpsse_adapter_spec_t parsed = parse_mpsse_adapter_spec(adapter_spec);
        auto adapter = std::make_unique<spi_ftdi_mpsse_t>(
            std::make_unique<recording_ftdi_chip>(parsed.chip_type, log), parsed.pins, sck_hz,
            exit_mode);
        log.calls.clear();
        log.sends.clear();
        return adapter;
    }

    chip_log log;
};

TEST_F(MpsseAdapter, SetUpEntersMpsseSetsTheDivisorAndDrivesEveryOutputInactive) {
    const mpsse_adapter_spec_t parsed = parse_mpsse_adapter_spec("ft2232");
    spi_ftdi_mpsse_t adapter(std::make_unique<recording_ftdi_chip>(parsed.chip_type, log),
                             parsed.pins, 190000);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"set_bit_mode 0 2", "set_timeouts 5000 5000",
                                                   "send", "purge 1", "send"}));
    ASSERT_EQ(log.sends.size(), 2u);
    EXPECT_EQ(log.sends[0], (bytes{0x86, 31, 0, 0x87})); // no divide-by-5 prefix on FT2232C/D
    // Reset (bit 3) idles high: the target runs; SCK, MOSI, reset are outputs.
    EXPECT_EQ(log.sends[1], (bytes{0x80, 0x08, 0x0B, 0x82, 0x00, 0x00}));
    EXPECT_FLOAT_EQ(adapter.sck_frequency(), 0.1875f);
    EXPECT_STREQ(adapter.name(), "FT2232 MPSSE");
    EXPECT_TRUE(adapter.is_packet_based());
    EXPECT_FALSE(adapter.has_power() || adapter.has_enable() || adapter.has_key());
}

TEST_F(MpsseAdapter, HighSpeedChipsSwitchDivideByFiveAtHalfAMegahertz) {
    const mpsse_adapter_spec_t parsed = parse_mpsse_adapter_spec("ft2232h");
    spi_ftdi_mpsse_t slow(std::make_unique<recording_ftdi_chip>(parsed.chip_type, log), parsed.pins,
                          499999);
    EXPECT_EQ(log.sends[0], (bytes{0x8B, 0x86, 12, 0, 0x87}));
    log.sends.clear();
    spi_ftdi_mpsse_t fast(std::make_unique<recording_ftdi_chip>(parsed.chip_type, log), parsed.pins,
                          500000);
    EXPECT_EQ(log.sends[0], (bytes{0x8A, 0x86, 59, 0, 0x87}));
    EXPECT_FLOAT_EQ(fast.sck_frequency(), 0.5f);
}

TEST_F(MpsseAdapter, AnUnreachableFrequencyFailsBeforeTheChipIsTouched) {
    const mpsse_adapter_spec_t parsed = parse_mpsse_adapter_spec("ft2232");
    const Captured result = captured([&] {
        spi_ftdi_mpsse_t adapter(std::make_unique<recording_ftdi_chip>(parsed.chip_type, log),
                                 parsed.pins, 91);
    });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output,
              "SCK frequency for FTDI hardware SPI adapter (MPSSE) must be higher than 92Hz\n");
    EXPECT_TRUE(log.calls.empty());
    EXPECT_TRUE(log.destroyed); // the device is closed again
}

TEST_F(MpsseAdapter, EachBufferIsOneWriteAndAtMostOneRead) {
    auto adapter = make("ft2232h");
    log.replies = {0x11, 0x22, 0x53, 0x44};
    const bytes out{0xAC, 0x53, 0x00, 0x00};
    bytes in(4);
    adapter->transfer_buffer(out.data(), in.data(), 4);
    EXPECT_EQ(log.sends, (std::vector<bytes>{{0x31, 0x03, 0x00, 0xAC, 0x53, 0x00, 0x00, 0x87}}));
    EXPECT_EQ(log.receives, (std::vector<std::uint32_t>{4}));
    EXPECT_EQ(in, (bytes{0x11, 0x22, 0x53, 0x44}));

    log.sends.clear();
    log.receives.clear();
    bytes page(4096);
    std::iota(page.begin(), page.end(), 0);
    adapter->send_buffer(page.data(), 4096);
    ASSERT_EQ(log.sends.size(), 1u);
    EXPECT_EQ(log.sends[0].size(), 4099u);
    EXPECT_EQ((bytes{log.sends[0].begin(), log.sends[0].begin() + 4}),
              (bytes{0x11, 0xFF, 0x0F, 0}));
    EXPECT_TRUE(log.receives.empty());

    log.sends.clear();
    bytes chunk_out(16384, 0x20), chunk_in(16384);
    log.replies.assign(16384, 0xA5);
    adapter->transfer_buffer(chunk_out.data(), chunk_in.data(), 16384);
    ASSERT_EQ(log.sends.size(), 1u);
    EXPECT_EQ(log.sends[0].size(), 16388u);
    EXPECT_EQ(log.sends[0].back(), 0x87);
    EXPECT_EQ(log.receives, (std::vector<std::uint32_t>{16384}));
    EXPECT_EQ(chunk_in, bytes(16384, 0xA5));
}

// A page: its loads clocked out only, the page write out and in, one write, and only the
// page write's reply read back.
TEST_F(MpsseAdapter, SendThenTransferIsOneWriteReadingOnlyTheExchangedBytes) {
    auto adapter = make("ft2232:mosi=~adbus1:miso=~adbus2");
    log.replies = {0xFF, 0xB3, 0xFF, 0xF6};
    const bytes loads{0x40, 0x00, 0x01, 0x5A};
    const bytes page_write{0x4C, 0x00, 0x00, 0x00};
    bytes in(4);
    adapter->send_then_transfer(loads.data(), 4, page_write.data(), in.data(), 4);
    EXPECT_EQ(log.sends, (std::vector<bytes>{{0x11, 0x03, 0x00, 0xBF, 0xFF, 0xFE, 0xA5, 0x31, 0x03,
                                              0x00, 0xB3, 0xFF, 0xFF, 0xFF, 0x87}}));
    EXPECT_EQ(log.receives, (std::vector<std::uint32_t>{4}));
    EXPECT_EQ(in, (bytes{0x00, 0x4C, 0x00, 0x09}));
}

TEST_F(MpsseAdapter, SingleBytesAndReadsUseTheSameCommands) {
    auto adapter = make("ft2232");
    log.replies = {0x1E, 0x95};
    EXPECT_EQ(adapter->transfer_byte(0x30), 0x1E);
    adapter->send_byte(0x40);
    EXPECT_EQ(adapter->receive_byte(), 0x95);
    EXPECT_EQ(log.sends, (std::vector<bytes>{
                             {0x31, 0, 0, 0x30, 0x87}, {0x11, 0, 0, 0x40}, {0x21, 0, 0, 0x87}}));
    EXPECT_EQ(log.receives, (std::vector<std::uint32_t>{1, 1}));
}

TEST_F(MpsseAdapter, BuffersBeyondOneCommandSplitInsideOneWrite) {
    auto adapter = make("ft2232h");
    bytes data(70000, 0x5A);
    adapter->send_buffer(data.data(), 70000);
    ASSERT_EQ(log.sends.size(), 1u);
    const bytes& sent = log.sends[0];
    ASSERT_EQ(sent.size(), 70006u);
    EXPECT_EQ((bytes{sent[0], sent[1], sent[2]}), (bytes{0x11, 0xFF, 0xFF}));
    const std::size_t second = 3 + 65536;
    EXPECT_EQ((bytes{sent[second], sent[second + 1], sent[second + 2]}),
              (bytes{0x11, 0x6F, 0x11})); // 4464 bytes
    adapter->send_buffer(data.data(), 0);
    EXPECT_EQ(log.sends.size(), 1u);
}

TEST_F(MpsseAdapter, InvertedLinesInvertDataAndSelectTheOtherClockEdges) {
    auto adapter = make("ft2232:mosi=~adbus1:miso=~adbus2:sck=~adbus0");
    log.replies = {0x0F};
    EXPECT_EQ(adapter->transfer_byte(0x3C), 0xF0);
    EXPECT_EQ(log.sends[0], (bytes{0x34, 0, 0, 0xC3, 0x87}));
    adapter->sck_pulse();
    EXPECT_EQ(log.sends[1], (bytes{0x16, 0x01, 0x00}));
}

TEST_F(MpsseAdapter, ResetPulseReleasesResetForWritesScaledToTheClock) {
    auto adapter = make("ft2232");
    adapter->set_reset(true);
    EXPECT_EQ(log.sends[0], (bytes{0x80, 0x00, 0x0B, 0x82, 0x00, 0x00})); // reset low
    adapter->reset_pulse();
    // 0.1875 MHz: ceil(0.6 / 0.1875) = 4 writes with reset high, then low again.
    bytes expected;
    for (int i = 0; i < 4; ++i) {
        expected.insert(expected.end(), {0x80, 0x08, 0x0B});
    }
    expected.insert(expected.end(), {0x80, 0x00, 0x0B});
    EXPECT_EQ(log.sends[1], expected);
    adapter->sck_pulse();
    EXPECT_EQ(log.sends[2], (bytes{0x13, 0x01, 0x00}));

    EXPECT_EQ(spi_ftdi_mpsse_t::reset_pulse_writes(6.0f), 1);
    EXPECT_EQ(spi_ftdi_mpsse_t::reset_pulse_writes(0.6f), 1);
    EXPECT_EQ(spi_ftdi_mpsse_t::reset_pulse_writes(0.5f), 2);
    EXPECT_EQ(spi_ftdi_mpsse_t::reset_pulse_writes(0.0001f), 2000);
}

TEST_F(MpsseAdapter, ResetOnTheHighByteIsPulsedThere) {
    auto adapter = make("ft2232h:reset=cbus1");
    adapter->set_reset(true);
    EXPECT_EQ(log.sends[0], (bytes{0x80, 0x00, 0x03, 0x82, 0x00, 0x02}));
    adapter->reset_pulse();
    EXPECT_EQ(log.sends[1], (bytes{0x82, 0x02, 0x02, 0x82, 0x02, 0x02, 0x82, 0x02, 0x02, 0x82, 0x02,
                                   0x02, 0x82, 0x00, 0x02}));
}

TEST_F(MpsseAdapter, AuxiliarySignalsDriveTheirLinesAndTheKeyIsRead) {
    auto adapter = make("ft2232h:power=dbus4,dbus5:enable=~dbus6:led_ok=cbus0:led_error=cbus1:"
                        "key=~cbus7");
    EXPECT_TRUE(adapter->has_power() && adapter->has_enable() && adapter->has_key());
    adapter->power_on();
    EXPECT_EQ(log.sends.back(), (bytes{0x80, 0x78, 0x7B, 0x82, 0x00, 0x03}));
    adapter->enable();
    EXPECT_EQ(log.sends.back(), (bytes{0x80, 0x38, 0x7B, 0x82, 0x00, 0x03}));
    adapter->set_led_ok(true);
    adapter->set_led_error(true);
    EXPECT_EQ(log.sends.back(), (bytes{0x80, 0x38, 0x7B, 0x82, 0x03, 0x03}));
    adapter->power_off();
    adapter->disable();
    adapter->set_led_ok(false);
    adapter->set_led_error(false);
    EXPECT_EQ(log.sends.back(), (bytes{0x80, 0x48, 0x7B, 0x82, 0x00, 0x03}));

    log.sends.clear();
    log.replies = {0xFF, 0x00, 0xFF, 0x80}; // key line low, then high
    EXPECT_TRUE(adapter->key_pressed());
    EXPECT_FALSE(adapter->key_pressed());
    EXPECT_EQ(log.sends[0], (bytes{0x81, 0x83, 0x87}));
    EXPECT_EQ(log.receives, (std::vector<std::uint32_t>{2, 2}));
}

TEST_F(MpsseAdapter, ClosingLeavesMpsseAndRestoresDivideByFive) {
    make("ft2232h").reset();
    EXPECT_EQ(log.sends, (std::vector<bytes>{{0x8B}}));
    EXPECT_EQ(log.calls.back(), "set_bit_mode 0 0");
    EXPECT_TRUE(log.destroyed);

    make("ft2232").reset();
    EXPECT_EQ(log.sends, std::vector<bytes>{}); // FT2232C/D has no divide-by-5 switch
    EXPECT_EQ(log.calls, (std::vector<std::string>{"set_bit_mode 0 0"}));
}

TEST_F(MpsseAdapter, LazyCloseKeepsMpsseWithTheProgrammingLinesAsInputs) {
    exit_mode = mpsse_exit::keep_inputs;
    auto adapter = make("ft2232h:set=dbus5:led_ok=dbus6");
    const Captured result = captured([&] { adapter.reset(); });
    EXPECT_EQ(result.output,
              "FTDI chip left in MPSSE mode with programming pins configured as inputs\n");
    ASSERT_EQ(log.sends.size(), 2u);
    EXPECT_EQ(log.sends[0], (bytes{0x8B}));
    // MOSI, SCK, reset and set become inputs; led_ok (bit 6) stays an output.
    EXPECT_EQ(log.sends[1], (bytes{0x80, 0x08, 0x40, 0x82, 0x00, 0x00}));
    for (const std::string& call : log.calls) {
        EXPECT_NE(call, "set_bit_mode 0 0");
    }
}

TEST_F(MpsseAdapter, ClosingAnUnpluggedChipReportsAndDoesNotAbort) {
    auto adapter = make("ft2232h");
    log.fail_sends = true;
    const Captured result = captured([&] { adapter.reset(); });
    EXPECT_EQ(result.output, "Can't write to FTDI chip (FT_IO_ERROR)\n");
    // Failed writes do not keep the target's lines in MPSSE mode.
    EXPECT_EQ(log.calls.back(), "set_bit_mode 0 0");
    EXPECT_TRUE(log.destroyed);
}

TEST_F(MpsseAdapter, AShortReplyEndsTheRun) {
    auto adapter = make("ft2232h");
    log.replies = {0x01, 0x02};
    bytes in(3);
    const bytes out(3, 0);
    const Captured result = captured([&] { adapter->transfer_buffer(out.data(), in.data(), 3); });
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "Can't read from FTDI chip\n");
}

} // namespace
