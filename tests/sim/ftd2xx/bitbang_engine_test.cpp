// Synchronous bit-bang: each sample shows the lines as the byte before it left them.
#include "sim/ftd2xx/bitbang_engine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace avrsim;

namespace {

using bytes = std::vector<std::uint8_t>;

// Eight lines: the outputs read back as driven, inputs from `inputs`; records the levels.
class lines final : public gpio_wiring {
  public:
    void drive(std::uint16_t levels, std::uint16_t outputs) override {
        driven = static_cast<std::uint8_t>(levels & outputs);
        mask = static_cast<std::uint8_t>(outputs);
        history.push_back(driven);
    }
    std::uint16_t sense() override { return static_cast<std::uint8_t>(driven | (inputs & ~mask)); }
    void advance_us(double us) override { elapsed_us += us; }

    std::uint8_t driven = 0;
    std::uint8_t mask = 0;
    std::uint8_t inputs = 0xFF;
    bytes history;
    double elapsed_us = 0;
};

bytes samples_of(bitbang_engine& engine) {
    bytes got(engine.replies().begin(), engine.replies().end());
    engine.purge_replies();
    return got;
}

TEST(BitbangEngine, SamplesShowTheLinesBeforeEachByteAndTheClockIsFourTimesTheBaud) {
    const struct {
        std::uint8_t mask;
        std::uint8_t mode;
        bytes written;
        bytes samples;
    } cases[] = {
        // The data sheet's example: lines high, 0x55 then 0xAA written, 0xFF then 0x55 read.
        {0xFF, 0x04, {0x55, 0xAA}, {0xFF, 0x55}},
        // Inputs read what is on them; outputs what was written before.
        {0x0F, 0x04, {0x00, 0x05, 0x0A}, {0xFF, 0xF0, 0xF5}},
        // Asynchronous mode drives without sampling; the UART mode neither.
        {0xFF, 0x01, {0x12, 0x34}, {}},
        {0xFF, 0x00, {0x12}, {}},
    };
    for (const auto& c : cases) {
        lines wiring;
        wiring.inputs = 0xF0;
        bitbang_engine engine(wiring);
        engine.set_bit_mode(c.mask, c.mode);
        engine.set_baud_rate(62500); // 250 kbytes a second: 4 us a byte
        samples_of(engine);
        engine.write(c.written.data(), c.written.size());
        EXPECT_EQ(samples_of(engine), c.samples) << int{c.mode};
        EXPECT_DOUBLE_EQ(wiring.elapsed_us, c.mode != 0 ? 4.0 * c.written.size() : 0.0);
    }
}

TEST(BitbangEngine, ShortLastPacketWaitsForTheLatencyTimer) {
    lines wiring;
    bitbang_engine engine(wiring);
    engine.set_bit_mode(0xFF, 0x04);
    const bytes many(62 * 2 + 1, 0x00);
    engine.write(many.data(), 62 * 2);
    EXPECT_TRUE(engine.flushed());
    engine.write(many.data(), 1);
    EXPECT_FALSE(engine.flushed());
}

} // namespace
