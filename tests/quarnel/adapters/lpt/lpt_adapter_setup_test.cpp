// Adapter switch, built-in tables, detection, XTAL checks and SCK timing of the setup.
#include "quarnel/adapters/lpt/lpt_adapter_setup.h"

#include "quarnel/adapters/lpt/lpt_detect.h"
#include "quarnel/adapters/lpt/lpt_pins.h"
#include "quarnel/adapters/lpt/spi_lpt.h"
#include "quarnel/common/console.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/quarnel/adapters/lpt/fake_port.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace quarnel;

namespace {

using status_fn = std::function<std::uint8_t(std::uint8_t)>;

// Detection loop-backs of the adapters, as status of the data register.
const status_fn nothing = [](std::uint8_t) -> std::uint8_t { return 0x78; };
const status_fn byteblaster = [](std::uint8_t d) -> std::uint8_t { return d & 0x80 ? 0x60 : 0; };
const status_fn byteblaster_mv = [](std::uint8_t d) -> std::uint8_t {
    return (d & 0x80 ? 0x60 : 0) | 0x08;
};
const status_fn byteblaster_2 = [](std::uint8_t d) -> std::uint8_t { return d & 0x10 ? 0x48 : 0; };
const status_fn stk200 = [](std::uint8_t d) -> std::uint8_t { return d & 0x01 ? 0x20 : 0; };
const status_fn stk300 = [](std::uint8_t d) -> std::uint8_t { return d & 0x01 ? 0x80 : 0; };
// Answers both loop-back tests, so only the order of the tests decides.
const status_fn stk_and_byteblaster = [](std::uint8_t d) -> std::uint8_t {
    if (d == 0x0D) {
        return 0x20;
    }
    return byteblaster(d);
};

class LptSetup : public ::testing::Test {
  protected:
    void SetUp() override { console.verbosity = 3; }
    void TearDown() override { console.verbosity = 2; }

    // Runs the setup for the -a text on a fake port with the given loop-back.
    Captured setup(std::optional<std::string> adapter, status_fn status = nothing,
                   bool direction_reads_back = true) {
        opened = false;
        log.reset();
        spi.reset();
        return captured([&] {
            settings.adapter_spec = adapter;
            settings.sck_phases = sck_phase_cycles(device_table[find_device(requested.c_str())],
                                                   settings.osc_hz, divider);
            spi = create_lpt_adapter(settings, [&] {
                auto port = std::make_unique<fake_port_t>(1.0f);
                port->status = status;
                port->direction_reads_back = direction_reads_back;
                port->can_set_direction = direction_reads_back;
                log = port->log;
                opened = true;
                return port;
            });
        });
    }

    // The settings the run would pass for +requested and its -o divider.
    AdapterSettings settings;
    std::string requested = "mega8";
    unsigned divider = 1;

    spi_lpt_t& adapter() { return dynamic_cast<spi_lpt_t&>(*spi); }

    // The level-3 line starting with `start`, or an empty text.
    static std::string line(const std::string& output, const std::string& start) {
        const auto at = output.find(start);
        return at == std::string::npos ? "" : output.substr(at, output.find('\n', at) - at + 1);
    }

    bool opened = false;
    PortLog log;
    std::unique_ptr<spi_t> spi;
};

} // namespace

TEST_F(LptSetup, DefaultIsKelmaWithTwoPeriodPhasesAndMargin) {
    const Captured run = setup(std::nullopt);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "\t% KELMA adapter mode\n"
                          "\t% MCU oscillator frequency = 0.80MHz\n"
                          "\t% setup 2.62us, hold 2.62us\n"
                          "\t% actual SCK frequency 143kHz\n");
    // x = 1.05 / 0.8 MHz = 1.3125 us, 2 periods = 2.625 us: 3 writes per phase.
    EXPECT_EQ(adapter().bit_waveform(0), (std::vector<std::uint8_t>{0, 0, 0, 0x40, 0x40, 0x40}));
    EXPECT_FLOAT_EQ(adapter().sck_frequency(), 1.0f / 7.0f);
    EXPECT_EQ(setup(std::string()).status, 0);
    EXPECT_EQ(adapter().bit_waveform(1).size(), 6u);
}

TEST_F(LptSetup, RequestedSckGivesEqualPhasesWhateverTheDevice) {
    requested = "90S1200"; // slow-SCK device
    settings.osc_hz = 100000;
    settings.sck_given = true;
    const Captured run = setup("x");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(line(run.output, "\t% SPI"), "\t% SPI SCK requested frequency = 100kHz\n");
    EXPECT_EQ(line(run.output, "\t% setup"), "\t% setup 5.0us, hold 5.0us\n");
    EXPECT_EQ(adapter().bit_waveform(0).size(), 10u);
}

TEST_F(LptSetup, SlowSckDevicesAndFastOscillatorsLengthenThePhases) {
    requested = "90S1200";
    Captured run = setup(std::nullopt);
    // (2, 5) periods of 1.3125 us.
    EXPECT_EQ(line(run.output, "\t% setup"), "\t% setup 2.62us, hold 6.6us\n");
    EXPECT_EQ(adapter().bit_waveform(0).size(), 3u + 7u);
    requested = "mega8";
    settings.osc_hz = 16000000;
    run = setup(std::nullopt);
    // (3, 3) periods of 65.625 ns: one write each.
    EXPECT_EQ(line(run.output, "\t% setup"), "\t% setup 197ns, hold 197ns\n");
    EXPECT_EQ(adapter().bit_waveform(0).size(), 2u);
}

TEST_F(LptSetup, GeneratedClockOnKelmaUsesXtalAndDivider) {
    settings.osc_hz = 0;
    divider = 2;
    const Captured run = setup(std::nullopt);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "\t% KELMA adapter mode\n"
                          "\t% 0.50MHz XTAL will be generated\n"
                          "\t% with SCK low 4 periods, high 4 periods\n");
    const auto& zero = adapter().bit_waveform(0);
    ASSERT_EQ(zero.size(), 16u);
    EXPECT_EQ(zero[0] ^ zero[1], LPT_D3);
}

TEST_F(LptSetup, GeneratedClockNeedsAnXtalLine) {
    settings.osc_hz = 0;
    Captured run = setup("x");
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output,
              "\t% XILINX adapter mode\nCan't generate XTAL, XILINX has no XTAL output\n");
    run = setup("m:name=Mine:mosi=D5:sck=D6:reset=D4:miso=ACK");
    EXPECT_EQ(run.status, 70);
    EXPECT_NE(run.output.find("Can't generate XTAL, Mine has no XTAL output\n"), std::string::npos);
}

TEST_F(LptSetup, ModeLettersAndTheirRefusals) {
    for (const char* text : {"X", "x", "S", "b", "A", "a"}) {
        const Captured run = setup(std::string(text), stk200);
        EXPECT_EQ(run.output.find("Invalid value"), std::string::npos) << text;
    }
    const std::string help = "\n\nFor short help type\n\tquarnel -h\n";
    Captured run = setup("bx");
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "Invalid value 'x' for switch A" + help);
    EXPECT_FALSE(opened) << "refused before the port is touched";
    run = setup("q");
    EXPECT_EQ(run.output, "Invalid value 'q' for switch A" + help);
    run = setup("stk");
    EXPECT_EQ(run.output, "Invalid value 'tk' for switch A" + help);
    EXPECT_FALSE(opened);
}

TEST_F(LptSetup, StkIsFoundAndItsTableAdjusted) {
    Captured run = setup("s", stk200);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.rfind("\t% Atmel adapter for STK200 found\n\t% STK adapter mode\n", 0), 0u)
        << run.output;
    // Enable D2, D3 and D6 inverted: all three driven low with the buffers on.
    log->clear();
    adapter().enable();
    EXPECT_EQ((*log)[1].bytes[0] & 0x4C, 0);
    adapter().disable();
    EXPECT_EQ((*log)[4].bytes[0] & 0x4C, 0x4C);

    run = setup("S", stk300);
    EXPECT_EQ(line(run.output, "\t% Atmel"), "\t% Atmel adapter for STK300 found\n");
    settings.osc_hz = 0;
    run = setup("s", stk300);
    ASSERT_EQ(run.status, 0) << run.output;
    const auto& zero = adapter().bit_waveform(0);
    EXPECT_EQ(zero[0] ^ zero[1], LPT_D6) << "XTAL on D6";
}

TEST_F(LptSetup, MissingBufferedAdapterStopsUnlessForced) {
    Captured run = setup("s");
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "\t% Atmel adapter for STK not found\nAtmel STK* adapter not found\n");
    run = setup("b");
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "\t% ByteBlaster not found\nAltera ByteBlaster not found\n");
    run = setup("a");
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "\t% Atmel adapter for STK not found\n\t% ByteBlaster not found\n"
                          "Known buffered adapter not found\n");

    settings.force = true;
    console.verbosity = 2;
    run = setup("s");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Atmel STK* adapter not found, but forced by '-!'\n");
    run = setup("b");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Altera ByteBlaster not found, but forced by '-!'\n");
    run = setup("a");
    EXPECT_EQ(run.status, 70) << "-! does not apply to automatic detection";
}

TEST_F(LptSetup, ByteBlastersAreToldApart) {
    Captured run = setup("b", byteblaster);
    EXPECT_EQ(line(run.output, "\t% Byte"), "\t% ByteBlaster found\n");
    EXPECT_EQ(line(run.output, "\t% ByteBlaster adapter"), "\t% ByteBlaster adapter mode\n");
    run = setup("b", byteblaster_mv);
    EXPECT_EQ(line(run.output, "\t% Byte"), "\t% ByteBlasterMV found\n");
    EXPECT_EQ(line(run.output, "\t% ByteBlaster adapter"), "\t% ByteBlaster adapter mode\n");
    run = setup("b", byteblaster_2);
    EXPECT_EQ(line(run.output, "\t% Byte"), "\t% ByteBlaster-II found\n");
    EXPECT_EQ(line(run.output, "\t% ByteBlasterII"), "\t% ByteBlasterII adapter mode\n");
}

TEST_F(LptSetup, AutomaticModePrefersStk) {
    Captured run = setup("a", stk_and_byteblaster);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("ByteBlaster"), std::string::npos) << run.output;
    EXPECT_EQ(line(run.output, "\t% STK"), "\t% STK adapter mode\n");
    run = setup("a", byteblaster_2);
    EXPECT_EQ(line(run.output, "\t% ByteBlasterII"), "\t% ByteBlasterII adapter mode\n");
}

TEST_F(LptSetup, LazyAndPortPowerChangeOnlyKelma) {
    settings.lazy = true;
    settings.power_from_data = true;
    Captured run = setup(std::nullopt);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(adapter().has_power());
    EXPECT_TRUE(adapter().has_enable());
    log->clear();
    adapter().disable();
    EXPECT_EQ((*log)[2], (PortAccess{'w', LPT_CONTROL, {LPT_CONTROL_DATA_INPUT}}));
    adapter().power_on();
    EXPECT_EQ(log->back().kind, 'w');
    EXPECT_EQ((*log)[4].bytes[0] & 0x87, 0x87);

    run = setup("x");
    EXPECT_FALSE(adapter().has_power());
    run = setup("b", byteblaster);
    EXPECT_FALSE(adapter().has_power());
    log->clear();
    adapter().disable();
    EXPECT_EQ((*log)[2].bytes[0] & LPT_CONTROL_DATA_INPUT, 0) << "no BIDIR_EN enable";
}

TEST_F(LptSetup, LazyNeedsTheDirectionBit) {
    settings.lazy = true;
    const Captured run = setup(std::nullopt, nothing, false);
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "Can't control LPT data direction bit (required for -AZ)\n");
    EXPECT_EQ(count_accesses(*log, 'b', LPT_DATA), 0) << "no target access";
}

TEST_F(LptSetup, UserPinMapIsCheckedBeforeThePortOpens) {
    console.verbosity = 2;
    Captured run = setup("m:mosi=D5:sck=D6:reset=D4");
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "miso must be defined\n");
    run = setup("m:mosi=D5:sck=INIT:reset=D4:miso=ACK");
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "sck must be in D0..D7 lines\n");
    run = setup("m:mosi=D5:sck=D6:reset=D4:miso=ACK:xtal=STROBE");
    EXPECT_EQ(run.output, "xtal must be in D0..D7 lines\n");
    run = setup("m");
    EXPECT_EQ(run.output, "mosi must be defined\n");
    EXPECT_FALSE(opened);

    settings.lazy = true;
    settings.power_from_data = true;
    run = setup("m:name=Bench:mosi=D5:sck=D6:reset=D4:miso=~BUSY");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "Adapter 'Bench'\n");
    EXPECT_FALSE(adapter().has_power());
    EXPECT_FALSE(adapter().has_enable());
    // Reset named plainly: asserting it drives D4 low.
    log->clear();
    adapter().set_reset(true);
    EXPECT_EQ((*log)[1].bytes[0] & LPT_D4, 0);
}
