// MPSSE command interpretation against a scripted SPI device on the GPIO lines.
#include "sim/ftd2xx/mpsse_engine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace avrsim;

namespace {

using bytes = std::vector<std::uint8_t>;

// An SPI device in mode 0 at its own pins (MOSI taken on its rising SCK edge, MISO moved on the
// falling one), optionally behind an inverter on SCK. It answers with `answer`, byte after byte.
class spi_device final : public gpio_wiring {
  public:
    explicit spi_device(bool sck_inverted = false) : inverted(sck_inverted) {}

    void drive(std::uint16_t levels, std::uint16_t outputs) override {
        ++drives;
        last_levels = levels;
        last_outputs = outputs;
        const bool sck = ((levels & 0x01) != 0) != inverted;
        const bool mosi = (levels & 0x02) != 0;
        if (sck && !sck_level) {
            shift_in = static_cast<std::uint8_t>((shift_in << 1) | mosi);
            if (++bits_in % 8 == 0) {
                received.push_back(shift_in);
            }
        } else if (!sck && sck_level) {
            ++bits_out;
            miso = next_miso();
        }
        sck_level = sck;
    }
    std::uint16_t sense() override {
        return static_cast<std::uint16_t>(0xFFFB | (miso ? 0x04 : 0) | input_lines);
    }
    void advance_us(double us) override { elapsed_us += us; }

    // Forgets the edges seen while the lines were set up.
    void settle() {
        received.clear();
        bits_in = 0;
        bits_out = 0;
        shift_in = 0;
    }

    bool next_miso() const {
        const std::size_t index = bits_out / 8;
        const std::uint8_t byte = index < answer.size() ? answer[index] : 0xFF;
        return (byte >> (7 - bits_out % 8)) & 1;
    }

    bool inverted;
    bytes answer;
    bytes received;
    std::uint16_t input_lines = 0;
    std::uint16_t last_levels = 0, last_outputs = 0;
    int drives = 0;
    double elapsed_us = 0;
    bool sck_level = false;
    bool miso = true;
    std::uint8_t shift_in = 0;
    int bits_in = 0;
    std::size_t bits_out = 0;
};

class MpsseEngine : public testing::Test {
  protected:
    void start(mpsse_chip chip = mpsse_chip::ft2232h, bool sck_inverted = false) {
        device = spi_device(sck_inverted);
        engine = std::make_unique<mpsse_engine>(chip, device);
        engine->set_bit_mode(2);
    }
    void write(const bytes& data) { engine->write(data.data(), data.size()); }
    bytes replies() {
        bytes out(engine->replies().begin(), engine->replies().end());
        engine->replies().clear();
        return out;
    }
    void prepare_first_bit() { device.miso = device.next_miso(); }

    spi_device device;
    std::unique_ptr<mpsse_engine> engine;
};

TEST_F(MpsseEngine, GpioBytesDriveAndReadTheLines) {
    start();
    write({0x80, 0xA5, 0x0F, 0x82, 0x3C, 0xF0});
    EXPECT_EQ(device.last_outputs, 0xF00F);
    EXPECT_EQ(device.last_levels, 0x3005); // only driven lines carry a level
    device.miso = false;
    write({0x81, 0x83, 0x87});
    EXPECT_EQ(replies(), (bytes{0xFB, 0xFF}));
    EXPECT_TRUE(engine->flushed());

    start(mpsse_chip::ft4232h); // no high byte on this chip
    write({0x82, 0xFF, 0xFF, 0x83});
    EXPECT_EQ(device.last_outputs, 0);
    EXPECT_EQ(replies(), (bytes{0xFF}));

    engine->set_bit_mode(0); // leaving MPSSE releases every line
    EXPECT_EQ(device.last_outputs, 0);
    write({0x81});
    EXPECT_TRUE(engine->replies().empty()); // bytes outside MPSSE mode are not commands
}

TEST_F(MpsseEngine, ClockFollowsTheDivisorAndDivideByFive) {
    start(mpsse_chip::ft2232h);
    write({0x86, 31, 0});
    EXPECT_DOUBLE_EQ(engine->sck_hz(), 187500.0); // divide-by-5 is on after reset
    write({0x8A, 0x86, 11, 0});
    EXPECT_DOUBLE_EQ(engine->sck_hz(), 2500000.0);
    write({0x80, 0x00, 0x0B, 0x11, 0x00, 0x00, 0x55});
    EXPECT_NEAR(device.elapsed_us, 0.1 + 8 / 2.5, 1e-9); // one GPIO write, eight SCK periods
    write({0x8B});
    EXPECT_DOUBLE_EQ(engine->sck_hz(), 500000.0);

    start(mpsse_chip::ft2232c);
    write({0x86, 5, 0, 0x8A});
    EXPECT_DOUBLE_EQ(engine->sck_hz(), 1000000.0);
    EXPECT_EQ(replies(), (bytes{0xFA, 0x8A})); // the FT2232C/D has no divide-by-5 switch
    EXPECT_EQ(engine->bad_commands(), 1u);
}

TEST_F(MpsseEngine, BytesOutOnFallingInOnRisingServeAModeZeroDevice) {
    start();
    write({0x80, 0x00, 0x0B});
    device.answer = {0x1E, 0x95, 0x0F};
    prepare_first_bit();
    write({0x31, 0x02, 0x00, 0xAC, 0x53, 0x00, 0x87});
    EXPECT_EQ(device.received, (bytes{0xAC, 0x53, 0x00}));
    EXPECT_EQ(replies(), (bytes{0x1E, 0x95, 0x0F}));
    EXPECT_EQ(engine->clocks(), 24u);
    EXPECT_EQ(device.last_levels & 0x01, 0); // SCK back at its idle level
}

// Bytes clocked out only (a page's loads) reach the device but bring nothing back; the bytes
// clocked out and in after them in the same write return only their own replies.
TEST_F(MpsseEngine, BytesOutOnlyReturnNoReplies) {
    start();
    write({0x80, 0x00, 0x0B});
    device.answer = {0x01, 0x02, 0x03, 0x4C};
    prepare_first_bit();
    write({0x11, 0x01, 0x00, 0x40, 0x00, 0x31, 0x01, 0x00, 0x4C, 0x00, 0x87});
    EXPECT_EQ(device.received, (bytes{0x40, 0x00, 0x4C, 0x00}));
    EXPECT_EQ(replies(), (bytes{0x03, 0x4C}));
    EXPECT_EQ(engine->clocks(), 32u);
    EXPECT_TRUE(engine->flushed());
}

TEST_F(MpsseEngine, InvertedClockWithTheOtherEdgesServesTheSameDevice) {
    start(mpsse_chip::ft2232h, true);
    write({0x80, 0x01, 0x0B}); // SCK idles high at the FTDI pin, low at the device
    device.settle();
    device.answer = {0x5A};
    prepare_first_bit();
    write({0x34, 0x00, 0x00, 0xC3, 0x87});
    EXPECT_EQ(device.received, (bytes{0xC3}));
    EXPECT_EQ(replies(), (bytes{0x5A}));
}

TEST_F(MpsseEngine, DataMovedOnTheSamplingEdgeArrivesOneBitLate) {
    start();
    write({0x80, 0x00, 0x0B});
    write({0x10, 0x00, 0x00, 0x81}); // out on the rising edge: the device takes the old level
    EXPECT_EQ(device.received, (bytes{0x40}));
}

TEST_F(MpsseEngine, BitCommandsLsbFirstAndReadOnly) {
    start();
    write({0x80, 0x00, 0x0B});
    write({0x13, 0x01, 0x00}); // two clocks, MOSI low
    EXPECT_EQ(device.bits_in, 2);
    write({0x19, 0x00, 0x00, 0x01}); // one byte, least significant bit first
    EXPECT_EQ(device.shift_in, 0x80);
    device.answer = {0xFF, 0xA0};
    device.bits_out = 8;
    prepare_first_bit();
    write({0x20, 0x00, 0x00}); // read only: MOSI keeps its level
    EXPECT_EQ(replies(), (bytes{0xA0}));
    EXPECT_FALSE(engine->flushed()); // no Send Immediate after the reply
}

TEST_F(MpsseEngine, CommandsCutBetweenWritesContinue) {
    start();
    write({0x80, 0x00, 0x0B, 0x11, 0x01});
    EXPECT_TRUE(device.received.empty());
    write({0x00, 0x12});
    EXPECT_TRUE(device.received.empty());
    write({0x34, 0x81});
    EXPECT_EQ(device.received, (bytes{0x12, 0x34}));
    replies();
    write({0x86, 0x01});
    engine->purge_commands();
    write({0x81});
    EXPECT_EQ(replies().size(), 1u); // the cut divisor command was dropped
}

} // namespace
