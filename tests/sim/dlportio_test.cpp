// The stand-in parallel port driven through its exported DLPortIO functions.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/clock.h"
#include "sim/target_file.h"
#include "tests/sim/port_driver.h"
#include "tests/support/run_program.h"

using namespace avrsim;

namespace {

std::string library() {
    return bin_path("libavrsim_dlportio.so");
}

std::string new_target_file(const TempDir& dir, const std::string& chip,
                            const std::vector<std::string>& settings) {
    Target target = new_target(chip);
    for (const std::string& setting : settings) {
        apply_setting_text(target, setting);
    }
    const std::string path = dir.file("target.txt");
    save_target(target, path);
    return path;
}

std::uint32_t signature(BitBang& spi) {
    std::uint32_t value = 0;
    for (std::uint8_t i = 0; i < 3; ++i) {
        std::uint8_t bytes[4] = {0x30, 0x00, i, 0x00};
        spi.instruction(bytes);
        value = (value << 8) | bytes[3];
    }
    return value;
}

std::uint8_t enter(BitBang& spi) {
    spi.hold_reset(true);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(25);
    while (std::chrono::steady_clock::now() < end) {
        spi.hold_reset(true); // keeps a generated XTAL running
    }
    std::uint8_t enable[4] = {0xAC, 0x53, 0x00, 0x00};
    spi.instruction(enable);
    return enable[2];
}

// The buffered-adapter probes a programmer runs: r of the STK probe, then of the
// ByteBlaster probe (0 none, 1 ByteBlaster, 2 MV, 3 II).
int probe_stk(PortLibrary& port) {
    int r = 3;
    port.write(2, std::uint8_t(port.read(2) & ~0x02));
    port.write(0, 0x0D);
    std::uint8_t s = port.read(1);
    if (!(s & 0x20)) {
        r = 1;
    }
    if (!(s & 0x80)) {
        r &= ~1;
    }
    port.write(0, 0x0E);
    s = port.read(1);
    if (s & 0x20) {
        r &= ~2;
    }
    if (s & 0x80) {
        r &= ~1;
    }
    return r;
}

int probe_byteblaster(PortLibrary& port) {
    int r = 0;
    port.write(2, std::uint8_t(port.read(2) & ~0x02));
    port.write(0, 0xFF);
    if (port.read(1) & 0x40) {
        port.write(0, 0xEF);
        if ((port.read(1) & 0x48) == 0) {
            r = 3;
        }
    }
    if (r == 0) {
        port.write(0, 0x5F);
        const std::uint8_t s1 = port.read(1);
        port.write(0, 0xFF);
        const std::uint8_t s2 = port.read(1);
        if ((s1 & 0x60) == 0 && (s2 & 0x60) == 0x60) {
            r = (s1 & 0x08) ? 2 : 1;
        }
    }
    return r;
}

TEST(DlPortIoStandIn, KelmaReadsTheSignatureOfAMega8) {
    TempDir dir;
    PortLibrary port(library(), new_target_file(dir, "mega8", {"adapter=kelma"}));
    BitBang spi{port, 0x20, 0x40, 0x10, 0x40};
    EXPECT_EQ(enter(spi), 0x53);
    EXPECT_EQ(signature(spi), 0x1E9307u);
}

TEST(DlPortIoStandIn, DetectionLoopBacksTellTheAdaptersApart) {
    struct Case {
        const char* adapter;
        int stk, byteblaster;
    };
    const Case cases[] = {{"stk200", 2, 0},        {"stk300", 1, 0},       {"byteblaster", 0, 1},
                          {"byteblastermv", 0, 2}, {"byteblaster2", 0, 3}, {"kelma", 0, 0},
                          {"xilinx", 0, 0},        {"none", 0, 0}};
    for (const Case& c : cases) {
        TempDir dir;
        PortLibrary port(library(),
                         new_target_file(dir, "mega8", {std::string("adapter=") + c.adapter}));
        EXPECT_EQ(probe_stk(port), c.stk) << c.adapter;
        EXPECT_EQ(probe_byteblaster(port), c.byteblaster) << c.adapter;
    }
}

TEST(DlPortIoStandIn, BufferedAdaptersPassNothingWhileDisabled) {
    TempDir dir;
    PortLibrary port(library(), new_target_file(dir, "mega8", {"adapter=stk200"}));
    BitBang off{port, 0x20, 0x10, 0x80, 0x40, false, 0x0C}; // D2, D3 high: buffer off
    EXPECT_NE(enter(off), 0x53);
    BitBang on{port, 0x20, 0x10, 0x80, 0x40};
    EXPECT_EQ(enter(on), 0x53);
    EXPECT_EQ(signature(on), 0x1E9307u);
}

TEST(DlPortIoStandIn, EveryWiringReachesTheChip) {
    TempDir dir;
    const std::string target = new_target_file(dir, "mega328P", {});
    struct Wiring {
        std::string adapter;
        std::uint8_t mosi, sck, reset, miso;
        bool miso_inverted;
        std::uint8_t extra, control;
    };
    const Wiring wirings[] = {
        {"byteblaster", 0x40, 0x01, 0x02, 0x80, true, 0x00, 0x02},
        {"byteblaster2", 0x40, 0x01, 0x02, 0x80, true, 0xB0, 0x04},
        {"xilinx", 0x01, 0x02, 0x04, 0x10, false, 0x00, 0x00},
        {"stk300", 0x20, 0x10, 0x80, 0x40, false, 0x00, 0x00},
        {"dorvik", 0x20, 0x10, 0x80, 0x40, false, 0x00, 0x00},
        {"map:mosi=D5:miso=~ACK:sck=D6:reset=D4", 0x20, 0x40, 0x10, 0x40, true, 0x00, 0x00},
    };
    for (const Wiring& w : wirings) {
        Target changed = load_target(target);
        apply_setting(changed, "adapter", w.adapter);
        save_target(changed, target);
        PortLibrary port(library(), target);
        port.write(2, w.control);
        BitBang spi{port, w.mosi, w.sck, w.reset, w.miso, w.miso_inverted, w.extra};
        EXPECT_EQ(enter(spi), 0x53) << w.adapter;
        EXPECT_EQ(signature(spi), 0x1E950Fu) << w.adapter;
    }
}

TEST(DlPortIoStandIn, PowerLinesOfAPinMapFeedTheChip) {
    TempDir dir;
    PortLibrary port(library(), new_target_file(dir, "mega8",
                                                {"adapter=map:mosi=D5:miso=ACK:sck=D6:reset=D4:"
                                                 "power=D0,D7"}));
    BitBang half{port, 0x20, 0x40, 0x10, 0x40, false, 0x01};
    EXPECT_NE(enter(half), 0x53);
    BitBang powered{port, 0x20, 0x40, 0x10, 0x40, false, 0x81};
    EXPECT_EQ(enter(powered), 0x53);
}

TEST(DlPortIoStandIn, DorvikProbeSeesBothLoopBacks) {
    TempDir dir;
    PortLibrary port(library(), new_target_file(dir, "mega8", {"adapter=dorvik"}));
    port.write(0, 0x00);
    const std::uint8_t s1 = port.read(1);
    port.write(0, 0x03);
    const std::uint8_t s2 = port.read(1);
    EXPECT_EQ((s1 ^ s2) & 0xA0, 0xA0);
}

TEST(DlPortIoStandIn, NothingAttachedReadsOpenInputs) {
    TempDir dir;
    PortLibrary port(library(), new_target_file(dir, "mega8", {"adapter=none"}));
    EXPECT_EQ(port.read(1), 0x7F);
    BitBang spi{port, 0x20, 0x40, 0x10, 0x40};
    EXPECT_NE(enter(spi), 0x53);
}

TEST(DlPortIoStandIn, DirectionBitReadsBackOnlyWhenConfigured) {
    TempDir dir;
    {
        PortLibrary yes(library(), new_target_file(dir, "mega8", {}));
        yes.write(2, 0x24);
        EXPECT_EQ(yes.read(2) & 0x20, 0x20);
    }
    PortLibrary no(library(), new_target_file(dir, "mega8", {"port_direction=no"}));
    no.write(2, 0x24);
    EXPECT_EQ(no.read(2) & 0x20, 0x00);
}

TEST(DlPortIoStandIn, ChipClockLimitsAndXtalGeneration) {
    TempDir dir;
    {
        // A 100 kHz chip needs phases over 20 us: 1 us ones stay far too short even on a host
        // slowed down by sanitizers or load.
        PortLibrary port(library(), new_target_file(dir, "mega8", {"clock=100kHz"}));
        BitBang fast{port, 0x20, 0x40, 0x10, 0x40};
        fast.writes_per_phase = 1;
        EXPECT_NE(enter(fast), 0x53);
    }
    TempDir xtal_dir;
    const std::string target = new_target_file(xtal_dir, "mega8", {"clock=xtal"});
    {
        PortLibrary port(library(), target);
        BitBang no_clock{port, 0x20, 0x40, 0x10, 0x40};
        EXPECT_NE(enter(no_clock), 0x53);
    }
    PortLibrary port(library(), target);
    BitBang clocked{port, 0x20, 0x40, 0x10, 0x40};
    clocked.xtal = 0x08; // KELMA's XTAL line, one target period per two writes
    clocked.writes_per_phase = 4;
    EXPECT_EQ(enter(clocked), 0x53);
    EXPECT_EQ(signature(clocked), 0x1E9307u);
}

TEST(DlPortIoStandIn, StateAndCountsAreSavedWhenTheLibraryUnloads) {
    TempDir dir;
    const std::string target = new_target_file(dir, "mega8", {"stats=" + dir.file("stats.txt")});
    {
        PortLibrary port(library(), target);
        BitBang spi{port, 0x20, 0x40, 0x10, 0x40};
        ASSERT_EQ(enter(spi), 0x53);
        std::uint8_t write[4] = {0xC0, 0x00, 0x05, 0x5A};
        spi.instruction(write);
        const std::uint8_t block[3] = {0x00, 0x00, 0x00};
        port.write_buffer(block, 3);
    }
    EXPECT_EQ(load_target(target).chip.eeprom[5], 0x5A);
    const std::string stats = read_file(dir.file("stats.txt"));
    EXPECT_NE(stats.find("buffer_writes 1\n"), std::string::npos) << stats;
    // Two instructions of 32 bits, one status read a bit.
    EXPECT_NE(stats.find("port_reads 64\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("instructions 2\n"), std::string::npos) << stats;
}

TEST(DlPortIoStandIn, SecondBuildHasNoBlockWrite) {
    TempDir dir;
    PortLibrary with(library(), new_target_file(dir, "mega8", {}));
    EXPECT_TRUE(with.has_buffer_write());
    PortLibrary without(bin_path("libavrsim_dlportio_nobuffer.so"), dir.file("target.txt"));
    EXPECT_FALSE(without.has_buffer_write());
}

TEST(DlPortIoStandIn, EachAccessTakesThePortCycle) {
    TempDir dir;
    PortLibrary port(library(), new_target_file(dir, "mega8", {"port_cycle_us=5"}));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) {
        port.write(0, 0);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(1000));
}

TEST(DlPortIoStandIn, ChipSeesPhasesInPortCyclesNotInHostTime) {
    // A 1 MHz chip takes SCK edges only after phases of more than 2 us. The host's own time
    // for an access (long under sanitizers) must not lengthen a phase: 1.6 us stays short.
    const struct {
        const char* cycle;
        int writes_per_phase;
        bool in_step;
    } cases[] = {{"port_cycle_us=1", 1, false},
                 {"port_cycle_us=1.6", 1, false},
                 {"port_cycle_us=1", 3, true},
                 {"port_cycle_us=2.5", 1, true}};
    for (const auto& c : cases) {
        TempDir dir;
        PortLibrary port(library(), new_target_file(dir, "mega8", {"clock=1MHz", c.cycle}));
        BitBang spi{port, 0x20, 0x40, 0x10, 0x40};
        spi.writes_per_phase = c.writes_per_phase;
        EXPECT_EQ(enter(spi) == 0x53, c.in_step) << c.cycle << " " << c.writes_per_phase;
    }
}

} // namespace
