// The MPSSE adapter from its factory, over the stand-in library, with a virtual chip on its lines.
#include "platform/clock.h"
#include "quarnel/adapters/ftdi/mpsse/mpsse_adapter.h"
#include "quarnel/common/units.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/chip_commands.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/isp/session.h"
#include "quarnel/isp/spi_programmer.h"
#include "quarnel/isp/target_power.h"
#include "sim/target_file.h"
#include "tests/quarnel/adapters/ftdi/stand_in_bench.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

using namespace quarnel;
using namespace avrsim;

namespace {

std::vector<std::uint8_t> firmware(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = 2026;
    for (auto& b : bytes) {
        x = x * 1103515245 + 12345;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return bytes;
}

std::vector<std::uint8_t> contents(const PortionList& image) {
    std::vector<std::uint8_t> out;
    for (const CodePortion& portion : image) {
        out.insert(out.end(), portion.bytes(), portion.bytes() + portion.length);
    }
    return out;
}

class MpsseOnVirtualChip : public StandInBench {
  protected:
    // The adapter as a run with "+device -a<adapter_spec> [-p<port_spec>]" creates it.
    Captured create(const char* device, const std::string& adapter_spec,
                    const std::optional<std::string>& port_spec) {
        requested.requested_name = device;
        settings.adapter_spec = adapter_spec;
        settings.port_spec = port_spec;
        settings.sck_phases = sck_phase_cycles(requested.current(), settings.osc_hz, 1);
        return captured([&] { adapter = create_mpsse_adapter(settings); });
    }

    // The -o settings of the run, and the row named with +name.
    AdapterSettings settings;
    DeviceSelection requested;

    std::uint8_t exchange(std::uint8_t a, std::uint8_t b, std::uint8_t c, int answer) {
        const std::uint8_t out[4] = {a, b, c, 0};
        std::uint8_t in[4] = {};
        adapter->transfer_buffer(out, in, 4);
        return in[answer];
    }

    std::unique_ptr<spi_t> adapter;
    IspSession session;
};

TEST_F(MpsseOnVirtualChip, ProgrammingEnableAndSignatureOnEveryChip) {
    for (const char* chip : {"ft2232", "ft2232h", "ft4232h", "ft232h"}) {
        make_target("mega328P", {std::string("ftdi=") + chip});
        const Captured made = create("mega328P", chip, std::nullopt);
        ASSERT_EQ(made.status, 0) << chip << made.output;
        adapter->set_reset(true);
        adapter->delay_ms(25);
        EXPECT_EQ(exchange(0xAC, 0x53, 0x00, 2), 0x53) << chip;
        EXPECT_EQ(exchange(0x30, 0x00, 0x00, 3), 0x1E) << chip;
        EXPECT_EQ(exchange(0x30, 0x00, 0x01, 3), 0x95) << chip;
        EXPECT_EQ(exchange(0x30, 0x00, 0x02, 3), 0x0F) << chip;
        adapter.reset();
    }
}

TEST_F(MpsseOnVirtualChip, ResetOnAnotherLineAndAnInvertedMisoAreFollowed) {
    make_target("mega8", {"ftdi=ft2232h", "ftdi_wiring=reset=cbus2:miso=~adbus2"});
    ASSERT_EQ(create("mega8", "ft2232h:reset=cbus2:miso=~dbus2", "s=AVRSIM01A").status, 0);
    adapter->set_reset(true);
    adapter->delay_ms(25);
    EXPECT_EQ(exchange(0xAC, 0x53, 0x00, 2), 0x53);
    EXPECT_EQ(exchange(0x30, 0x00, 0x01, 3), 0x93);
}

TEST_F(MpsseOnVirtualChip, AChipOutOfStepIsBroughtBackByAResetPulse) {
    make_target("mega328P", {"faults=slip=3"});
    ASSERT_EQ(create("mega328P", "ft2232h", std::nullopt).status, 0);
    adapter->set_reset(true);
    adapter->delay_ms(25);
    EXPECT_NE(exchange(0xAC, 0x53, 0x00, 2), 0x53);
    adapter->reset_pulse();
    adapter->delay_ms(25);
    EXPECT_EQ(exchange(0xAC, 0x53, 0x00, 2), 0x53);
}

TEST_F(MpsseOnVirtualChip, DevicesAreChosenByDescriptionOrSerialNumber) {
    make_target("mega328P", {"ftdi_devices=2232H|BENCH1A|Dual RS232-HS A;"
                             "2232H|BENCH2A|Dual RS232-HS A;2232H|BENCH2B|Dual RS232-HS B",
                             "ftdi_target=1"});
    // The first device with the default description has no chip: MISO floats high.
    ASSERT_EQ(create("mega328P", "ft2232h", std::nullopt).status, 0);
    adapter->set_reset(true);
    adapter->delay_ms(25);
    EXPECT_EQ(exchange(0xAC, 0x53, 0x00, 2), 0xFF);
    adapter.reset();

    ASSERT_EQ(create("mega328P", "ft2232h", "d=Dual RS232-HS B,s=BENCH2A,d=Dual RS232-HS A").status,
              0);
    adapter->set_reset(true);
    adapter->delay_ms(25);
    EXPECT_EQ(exchange(0xAC, 0x53, 0x00, 2), 0x53);
    adapter.reset();

    const Captured refused = create("mega328P", "ft2232h", "s=BENCH2B,d=Dual RS232-HS A");
    EXPECT_EQ(refused.status, 70);
    EXPECT_EQ(refused.output,
              "Can't use opened FTDI device (some of parameters not match)\n"
              "Requested  FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"BENCH2B\"\n"
              "Found      FT_DEVICE_2232H (0x6) - \"Dual RS232-HS B\", serno \"BENCH2B\"\n");
}

TEST_F(MpsseOnVirtualChip, PortQuestionMarkListsTheDevicesAndEndsTheRun) {
    make_target("mega328P", {"ftdi=ft4232h"});
    const Captured listed = create("mega328P", "ft4232h", "?");
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output,
              "4 FTDI devices detected\n"
              " 0: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS A\", serno \"AVRSIM01A\"\n"
              " 1: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS B\", serno \"AVRSIM01B\"\n"
              " 2: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS C\", serno \"AVRSIM01C\"\n"
              " 3: FT_DEVICE_4232H (0x7) - \"Quad RS232-HS D\", serno \"AVRSIM01D\"\n");
    EXPECT_FALSE(adapter);
}

TEST_F(MpsseOnVirtualChip, SettingsTheAdapterCannotServeFailBeforeAnyDeviceIsOpened) {
    make_target("mega328P", {"ftdi_fault=io_error"}); // any USB transfer would fail
    settings.osc_hz = 0;
    Captured result = create("mega328P", "ft2232h", std::nullopt);
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "FTDI hardware SPI adapter (MPSSE) can't generate XTAL\n");

    settings.osc_hz = 3; // (3 - 0) / (2 * 2) = 0 Hz
    result = create("mega328P", "ft2232h", std::nullopt);
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output,
              "SCK frequency for FTDI hardware SPI adapter (MPSSE) must be higher than 92Hz\n");

    settings.osc_hz = 368; // (368 - 18) / 4 = 87 Hz
    result = create("mega328P", "ft2232", "d=Dual RS232 A");
    EXPECT_EQ(result.output,
              "SCK frequency for FTDI hardware SPI adapter (MPSSE) must be higher than 92Hz\n");

    settings.osc_hz = 800000;
    result = create("mega328P", "ft2232:sck=adbus4", std::nullopt);
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output,
              "FTDI hardware SPI adapter (MPSSE) can use only predefind MOSI,MISO and SCK\n");
    result = create("mega328P", "ft2232h", "x=1");
    EXPECT_EQ(result.output, "Invalid FTDI chip option 'x=1'\n");
}

TEST_F(MpsseOnVirtualChip, SckFollowsTheMcuClockOrTheRequest) {
    make_target("mega328P", {"ftdi=ft2232c", "clock=16MHz"});
    console.verbosity = 3;
    Captured result = create("mega328P", "ft2232", std::nullopt);
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_FLOAT_EQ(adapter->sck_frequency(), 0.1875f); // 800 kHz default: 190000 Hz asked
    EXPECT_NE(result.output.find("No FTDI \"port\" switch found\ndevice with default "
                                 "description \"Dual RS232 A\" will be used\n"),
              std::string::npos);
    EXPECT_NE(result.output.find("\t% FT2232 MPSSE SPI adapter created, SCK frequency 188kHz\n"),
              std::string::npos);
    adapter.reset();

    settings.osc_hz = 16000000; // (3, 3) phases: 15200000 / 6 = 2533333 Hz
    result = create("mega328P", "ft2232", std::nullopt);
    EXPECT_FLOAT_EQ(adapter->sck_frequency(), 2.0f);
    adapter.reset();

    settings.osc_hz = 1000000;
    settings.sck_given = true;
    result = create("mega328P", "ft2232", std::nullopt);
    EXPECT_FLOAT_EQ(adapter->sck_frequency(), 1.0f);
}

// A 32 KB program of a mega328P at 16 MHz (2.5 MHz SCK on an FT2232H), then a verify and a
// read in a second session; returns the printed text of both.
struct session_figures {
    long writes, reads, bytes_read, sck_clocks, bus_time_us;
    double wall_ms;
};

class Program32K : public MpsseOnVirtualChip {
  protected:
    void SetUp() override { bytes = firmware(32768); }

    // One adapter session running `work`; the stand-in's counts come back when it closes.
    session_figures run_session(const std::function<void()>& work) {
        EXPECT_EQ(create("mega328P", "ft2232h", std::nullopt).status, 0);
        spi_programmer_t programmer(*adapter);
        session.programmer = &programmer;
        session.device = requested;
        const std::int64_t start = platform::counter_now();
        testing::internal::CaptureStdout();
        power_up_target(session);
        enter_programming_mode(session);
        session.waits = write_waits(session.current_device(), 1.0f);
        work();
        release_target(session);
        printed += testing::internal::GetCapturedStdout();
        const double wall_ms = static_cast<double>(platform::counter_now() - start) * 1000.0 /
                               static_cast<double>(platform::counter_frequency());
        adapter.reset(); // the stand-in writes its counts as it unloads
        return {stat("usb_writes"), stat("usb_reads"),   stat("bytes_read"),
                stat("sck_clocks"), stat("bus_time_us"), wall_ms};
    }

    void program_verify_and_read() {
        PortionList image;
        image.append(std::make_unique<CodePortion>(0, 32768, bytes.data()));
        program = run_session([&] {
            erase_device(session);
            program_memory(session, SLOT_CODE, image);
        });
        PortionList read_back;
        verify = run_session([&] {
            verified = verify_memory(session, SLOT_CODE, image);
            read_memory(session, SLOT_CODE, read_back);
        });
        read = contents(read_back);
    }

    std::vector<std::uint8_t> bytes, read;
    std::string printed;
    bool verified = false;
    session_figures program{}, verify{};
};

TEST_F(Program32K, EachPageAndEachReadChunkTakeAFixedNumberOfTransfers) {
    make_target("mega328P", {"ftdi=ft2232h", "clock=16MHz", "ftdi_stats=" + stats});
    settings.osc_hz = 16000000;
    program_verify_and_read();
    EXPECT_TRUE(verified) << printed;
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(load_target(target).chip.flash, bytes); // kept in the target file
    std::printf("FT2232H program 32 KB: %ld USB writes, %ld reads; verify and read 32 KB: %ld "
                "writes, %ld reads\n",
                program.writes, program.reads, verify.writes, verify.reads);
    // Session overhead (set-up, programming enable, signature, lock and erase) is a few dozen
    // transfers; each 128-byte page is one write of its loads and one exchange for the page
    // write; each 512-byte chunk of a verify or a read is one exchange.
    const long overhead = 40;
    EXPECT_LE(program.writes, 256 * 2 + overhead);
    EXPECT_LE(program.reads, 256 * 1 + overhead);
    // Of a page only the page write's reply comes back, not the 512 bytes of its loads.
    EXPECT_LE(program.bytes_read, 256 * 4 + 4 * overhead);
    EXPECT_LE(verify.writes, 2 * 64 + overhead);
    EXPECT_LE(verify.reads, 2 * 64 + overhead);
}

TEST_F(Program32K, WithTheTimeModelARunTakesBenchTime) {
    make_target("mega328P",
                {"ftdi=ft2232h", "clock=16MHz", "ftdi_timing=real", "ftdi_stats=" + stats});
    settings.osc_hz = 16000000;
    program_verify_and_read();
    EXPECT_TRUE(verified) << printed;
    const double sck_ms[2] = {program.sck_clocks / 2500.0, verify.sck_clocks / 2500.0};
    std::printf("FT2232H at 2.5 MHz, time model on: program %.0f ms (SCK-bound %.0f ms, bus "
                "%.0f ms), verify and read %.0f ms (SCK-bound %.0f ms, bus %.0f ms)\n",
                program.wall_ms, sck_ms[0], program.bus_time_us / 1000.0, verify.wall_ms, sck_ms[1],
                verify.bus_time_us / 1000.0);
    EXPECT_GE(program.wall_ms, sck_ms[0]);
    EXPECT_GE(verify.wall_ms, sck_ms[1]);
    EXPECT_GE(program.wall_ms, program.bus_time_us / 1000.0);
}

} // namespace
