// Waveforms, port accesses per SPI byte, signal driving and the adapter's life.
#include "quarnel/adapters/lpt/spi_lpt.h"

#include "quarnel/adapters/lpt/lpt_adapter_tables.h"
#include "quarnel/adapters/lpt/lpt_pins.h"
#include "quarnel/adapters/pinmap_parser.h"
#include "quarnel/common/console.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/quarnel/adapters/lpt/fake_port.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace quarnel;

namespace {

using bytes = std::vector<std::uint8_t>;

// A built-in table as the setup hands it over: reset's masks exchanged.
pinmap_t as_set_up(pinmap_t map) {
    std::swap(map[SIG_RESET].normal, map[SIG_RESET].inverted);
    return map;
}

pinmap_t user_map(const char* text) {
    pinmap_t map;
    captured([&] { parse_pinmap(map, text, lpt_pin_table); });
    return as_set_up(map);
}

struct Bench {
    fake_port_t* port;
    PortLog log;
    std::unique_ptr<spi_lpt_t> spi;
};

Bench timed(const pinmap_t& map, float low_us, float high_us, float cycle_us = 1.0f) {
    auto port = std::make_unique<fake_port_t>(cycle_us);
    Bench bench{port.get(), port->log, nullptr};
    bench.spi = std::make_unique<spi_lpt_t>(std::move(port), map, low_us, high_us);
    bench.log->clear();
    return bench;
}

Bench generating(const pinmap_t& map, int low, int high, std::string* trace = nullptr) {
    auto port = std::make_unique<fake_port_t>(1.0f);
    Bench bench{port.get(), port->log, nullptr};
    console.verbosity = 3;
    const Captured run =
        captured([&] { bench.spi = std::make_unique<spi_lpt_t>(std::move(port), map, low, high); });
    console.verbosity = 2;
    if (trace != nullptr) {
        *trace = run.output;
    }
    bench.log->clear();
    return bench;
}

// MISO follows MOSI through the adapter: a loop-back on the port.
void loop_back(fake_port_t& port, std::uint8_t mosi, std::uint8_t miso_status) {
    port.status = [=](std::uint8_t data) { return (data & mosi) ? miso_status : 0; };
}

} // namespace

TEST(SpiLptWaveforms, OneWritePerPhaseOnKelma) {
    Bench b = timed(as_set_up(kelma_pinmap), 0.5f, 0.5f);
    // Reset asserted drives D4 low; SCK D6 and MOSI D5 inactive.
    EXPECT_EQ(b.spi->bit_waveform(0), (bytes{0x00, 0x40}));
    EXPECT_EQ(b.spi->bit_waveform(1), (bytes{0x20, 0x60}));
    EXPECT_EQ(b.spi->reset_waveform(), (bytes{0x10, 0x00}));
    EXPECT_FLOAT_EQ(b.spi->sck_frequency(), 1.0f / 3.0f);
    EXPECT_FALSE(b.spi->is_packet_based());
    EXPECT_STREQ(b.spi->name(), "LPT soft SPI");
}

TEST(SpiLptWaveforms, PhasesAreWholeCyclesAndNeverZero) {
    // The default timing: 2 periods of 1.3125 us per phase on a 1 us port.
    Bench b = timed(as_set_up(kelma_pinmap), 2.625f, 2.625f);
    EXPECT_EQ(b.spi->bit_waveform(0), (bytes{0, 0, 0, 0x40, 0x40, 0x40}));
    EXPECT_FLOAT_EQ(b.spi->sck_frequency(), 1.0f / 7.0f);
    Bench tiny = timed(as_set_up(kelma_pinmap), 0.01f, 3.0f, 0.5f);
    EXPECT_EQ(tiny.spi->bit_waveform(1), (bytes{0x20, 0x60, 0x60, 0x60, 0x60, 0x60, 0x60}));
    EXPECT_FLOAT_EQ(tiny.spi->sck_frequency(), 1.0f / 0.5f / 8.0f);
}

TEST(SpiLptWaveforms, BaseByteCarriesPowerEnableAndKeepsOtherLines) {
    const pinmap_t map = user_map("m:mosi=D0:sck=D1:reset=D2:miso=ACK:power=D6,D7:enable=~D5");
    auto port = std::make_unique<fake_port_t>(1.0f);
    port->data = 0x18; // lines of no signal keep their level
    spi_lpt_t spi(std::move(port), map, 1.0f, 1.0f);
    EXPECT_EQ(spi.bit_waveform(0), (bytes{0xD8, 0xDA}));
    EXPECT_EQ(spi.bit_waveform(1), (bytes{0xD9, 0xDB}));
    EXPECT_EQ(spi.reset_waveform(), (bytes{0xDC, 0xD8}));
}

TEST(SpiLptWaveforms, GeneratedXtalToggledOnEveryWrite) {
    std::string trace;
    Bench b = generating(as_set_up(kelma_pinmap), 2, 2, &trace);
    EXPECT_EQ(trace, "\t% 0.50MHz XTAL will be generated\n");
    const bytes zero = b.spi->bit_waveform(0);
    const bytes one = b.spi->bit_waveform(1);
    const bytes reset = b.spi->reset_waveform();
    ASSERT_EQ(zero.size(), 8u);
    ASSERT_EQ(one.size(), 8u);
    ASSERT_EQ(reset.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::uint8_t xtal = i % 2 ? LPT_D3 : 0;
        const std::uint8_t sck = i >= 4 ? LPT_D6 : 0;
        EXPECT_EQ(zero[i], xtal | sck) << i;
        EXPECT_EQ(one[i], xtal | sck | LPT_D5) << i;
        EXPECT_EQ(reset[i], xtal | (i < 7 ? LPT_D4 : 0)) << i;
    }
    EXPECT_FLOAT_EQ(b.spi->sck_frequency(), 1.0f / 9.0f);
}

TEST(SpiLptBytes, TransferIsOneBlockAndOneStatusReadPerBit) {
    Bench b = timed(as_set_up(kelma_pinmap), 0.5f, 0.5f);
    loop_back(*b.port, LPT_D5, 0x40);
    EXPECT_EQ(b.spi->transfer_byte(0xA5), 0xA5);
    const auto& log = *b.log;
    ASSERT_EQ(log.size(), 17u);
    const int bits[8] = {1, 0, 1, 0, 0, 1, 0, 1};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(log[2 * i].kind, 'b');
        EXPECT_EQ(log[2 * i].bytes, b.spi->bit_waveform(bits[i])) << i;
        EXPECT_EQ(log[2 * i + 1].kind, 'r');
        EXPECT_EQ(log[2 * i + 1].offset, LPT_STATUS);
    }
    EXPECT_EQ(log[16], (PortAccess{'w', LPT_DATA, {0x10}})); // the data shadow again
    for (std::uint8_t v : {0x00, 0xFF, 0x53, 0x1E, 0x80, 0x01}) {
        EXPECT_EQ(b.spi->transfer_byte(v), v);
    }
}

TEST(SpiLptBytes, SendSkipsSamplingAndReceiveSendsZeros) {
    Bench b = timed(as_set_up(kelma_pinmap), 0.5f, 0.5f);
    b.port->status = [](std::uint8_t) { return 0x40; };
    b.spi->send_byte(0x0F);
    EXPECT_EQ(count_accesses(*b.log, 'b', LPT_DATA), 8);
    EXPECT_EQ(count_accesses(*b.log, 'r', LPT_STATUS), 0);
    EXPECT_EQ(b.log->back(), (PortAccess{'w', LPT_DATA, {0x10}}));
    EXPECT_EQ((*b.log)[0].bytes, b.spi->bit_waveform(0));
    EXPECT_EQ((*b.log)[7].bytes, b.spi->bit_waveform(1));
    b.log->clear();
    EXPECT_EQ(b.spi->receive_byte(), 0xFF);
    EXPECT_EQ(count_accesses(*b.log, 'b', LPT_DATA), 8);
    EXPECT_EQ(count_accesses(*b.log, 'r', LPT_STATUS), 8);
    for (const PortAccess& a : *b.log) {
        if (a.kind == 'b') {
            EXPECT_EQ(a.bytes, b.spi->bit_waveform(0));
        }
    }
}

TEST(SpiLptBytes, InvertedMisoLineGivesWholeByteInverted) {
    // ByteBlaster MISO on BUSY: the register bit reads the opposite level.
    Bench b = timed(as_set_up(byteblaster_pinmap), 0.5f, 0.5f);
    b.port->status = [](std::uint8_t data) -> std::uint8_t { return (data & LPT_D6) ? 0 : 0x80; };
    for (std::uint8_t v : {0x00, 0xFF, 0x53, 0x93}) {
        EXPECT_EQ(b.spi->transfer_byte(v), v);
    }
    b.port->status = [](std::uint8_t) -> std::uint8_t { return 0x80; };
    EXPECT_EQ(b.spi->receive_byte(), 0x00);
}

TEST(SpiLptPulses, ResetPulseAndSckPulseRestoreTheShadow) {
    Bench b = timed(as_set_up(kelma_pinmap), 0.5f, 0.5f);
    b.spi->reset_pulse();
    b.spi->sck_pulse();
    EXPECT_EQ(*b.log, (std::vector<PortAccess>{{'b', LPT_DATA, {0x10, 0x00}},
                                               {'w', LPT_DATA, {0x10}},
                                               {'b', LPT_DATA, {0x00, 0x40}},
                                               {'w', LPT_DATA, {0x10}}}));
}

TEST(SpiLptSignals, DrivingChangesDataShadowAndControlLines) {
    const pinmap_t map = user_map("m:mosi=D5:sck=D6:reset=D4:miso=ACK:power=D0,D1:"
                                  "enable=~D3,ALF:led_ok=INIT:led_error=~D7:key=~BUSY");
    Bench b = timed(map, 0.5f, 0.5f);
    b.port->control = 0x00;
    b.spi->set_reset(true);
    EXPECT_EQ(b.port->data & LPT_D4, 0);
    b.spi->power_on();
    EXPECT_EQ(b.port->data & 0x03, 0x03);
    b.spi->enable();
    EXPECT_EQ(b.port->data & LPT_D3, 0);
    EXPECT_EQ(b.port->control, 0x00); // ALF is inverted by the port: active is bit 1 clear
    b.spi->disable();
    EXPECT_EQ(b.port->data & LPT_D3, LPT_D3);
    EXPECT_EQ(b.port->control, 0x02);
    b.spi->set_led_ok(true);
    EXPECT_EQ(b.port->control, 0x06);
    b.spi->set_led_error(true);
    EXPECT_EQ(b.port->data & LPT_D7, 0);
    b.spi->set_led_error(false);
    EXPECT_EQ(b.port->data & LPT_D7, LPT_D7);
    b.spi->set_reset(false);
    EXPECT_EQ(b.port->data & LPT_D4, LPT_D4);
    // Each signal change writes the data register, then the control register.
    EXPECT_EQ(count_accesses(*b.log, 'w', LPT_DATA), 8);
    EXPECT_EQ(count_accesses(*b.log, 'w', LPT_CONTROL), 8);
    EXPECT_EQ(count_accesses(*b.log, 'w', LPT_STATUS), 0);
    // The signal changes reach the data lines after every SPI byte.
    b.log->clear();
    b.spi->send_byte(0);
    EXPECT_EQ(b.log->back().bytes, bytes{b.port->data});
    EXPECT_EQ(b.port->data, 0x9B);

    EXPECT_TRUE(b.spi->has_power());
    EXPECT_TRUE(b.spi->has_enable());
    EXPECT_TRUE(b.spi->has_key());
    b.port->status = [](std::uint8_t) -> std::uint8_t { return 0x80; };
    EXPECT_TRUE(b.spi->key_pressed());
    b.port->status = [](std::uint8_t) -> std::uint8_t { return 0x7F; };
    EXPECT_FALSE(b.spi->key_pressed());
}

TEST(SpiLptSignals, KeyOnPlainLineAndMissingLines) {
    Bench b = timed(user_map("m:mosi=D5:sck=D6:reset=D4:miso=ACK:key=PE"), 0.5f, 0.5f);
    b.port->status = [](std::uint8_t) -> std::uint8_t { return 0x20; };
    EXPECT_TRUE(b.spi->key_pressed());
    b.port->status = [](std::uint8_t) -> std::uint8_t { return 0xDF; };
    EXPECT_FALSE(b.spi->key_pressed());

    Bench bare = timed(as_set_up(kelma_pinmap), 0.5f, 0.5f);
    EXPECT_FALSE(bare.spi->has_power());
    EXPECT_FALSE(bare.spi->has_enable());
    EXPECT_FALSE(bare.spi->has_key());
    bare.port->control = 0x04;
    bare.spi->set_led_ok(true);
    bare.spi->set_led_error(true);
    EXPECT_EQ(*bare.log, (std::vector<PortAccess>{{'r', LPT_CONTROL, {0x04}},
                                                  {'w', LPT_DATA, {0x10}},
                                                  {'w', LPT_CONTROL, {0x04}},
                                                  {'r', LPT_CONTROL, {0x04}},
                                                  {'w', LPT_DATA, {0x10}},
                                                  {'w', LPT_CONTROL, {0x04}}}));
}

TEST(SpiLptLife, ConstructionLeavesOutputsInactiveButSet) {
    auto port = std::make_unique<fake_port_t>(1.0f);
    port->data = 0xFF;
    port->control = 0x00;
    fake_port_t* raw = port.get();
    spi_lpt_t spi(std::move(port), as_set_up(xilinx_pinmap), 1.0f, 1.0f);
    // XILINX: mosi D0, sck D1, reset D2 (inactive high), set D4, enable ~D3 off.
    EXPECT_EQ(raw->data, 0xFC);
}

TEST(SpiLptLife, DestructionDisablesThenPowersOff) {
    const pinmap_t map = user_map("m:mosi=D5:sck=D6:reset=D4:miso=ACK:power=D0,D1:enable=~D3,INIT");
    Bench b = timed(map, 0.5f, 0.5f);
    b.spi->power_on();
    b.spi->enable();
    b.log->clear();
    b.spi.reset();
    EXPECT_EQ(*b.log, (std::vector<PortAccess>{{'r', LPT_CONTROL, {0x04}},
                                               {'w', LPT_DATA, {0x1B}},
                                               {'w', LPT_CONTROL, {0x00}},
                                               {'r', LPT_CONTROL, {0x00}},
                                               {'w', LPT_DATA, {0x18}},
                                               {'w', LPT_CONTROL, {0x00}}}));
}

TEST(SpiLptDelay, GeneratedXtalKeepsRunningThroughDelays) {
    Bench b = generating(as_set_up(kelma_pinmap), 2, 2);
    b.spi->delay_ms(0.2f);
    ASSERT_GE(count_accesses(*b.log, 'b', LPT_DATA), 1);
    const std::uint8_t d = (*b.log)[0].bytes[0];
    EXPECT_EQ((*b.log)[0], (PortAccess{'r', LPT_DATA, {d}}));
    for (std::size_t i = 1; i < b.log->size(); ++i) {
        EXPECT_EQ((*b.log)[i].bytes, (bytes{static_cast<std::uint8_t>(d ^ LPT_D3),
                                            static_cast<std::uint8_t>(d ^ LPT_D3), d, d}));
    }

    Bench plain = timed(as_set_up(kelma_pinmap), 0.5f, 0.5f);
    plain.spi->delay_ms(0.2f);
    EXPECT_TRUE(plain.log->empty());
}
