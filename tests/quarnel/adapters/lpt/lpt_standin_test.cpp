// The parallel-port adapters against the virtual port and chip: wirings,
// detection, generated clock and SCK timing, each run in its own process.
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

class VirtualPort : public ::testing::Test {
  protected:
    // A target file for `chip` with the given settings.
    void make_target(const std::string& chip, std::initializer_list<std::string> settings) {
        ProgramRun run;
        run.program = "avrsim";
        run.args = {"new", target(), chip};
        run.args.insert(run.args.end(), settings.begin(), settings.end());
        const ProgramResult made = run_program(run);
        ASSERT_EQ(made.status, 0) << made.output;
    }

    // Sets up the adapter from quarnel switches and reads the signature.
    ProgramResult probe(std::initializer_list<std::string> switches,
                        const char* library = "libavrsim_dlportio.so") {
        ProgramRun run;
        run.program = LPT_PROBE;
        run.args = switches;
        run.env = {{"DLPORTIO_LIBRARY", bin_path(library)}, {"AVRSIM_TARGET", target()}};
        return run_program(run);
    }

    std::string target() const { return dir.file("chip.target"); }

    TempDir dir;
};

const std::string answered = "echo 53\nsignature 1E9307\n";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(VirtualPort, EveryWiringEntersProgrammingModeAndReadsTheSignature) {
    const struct {
        const char* wiring;
        std::string adapter_switch;
    } cases[] = {
        {"kelma", "-p378"},
        {"stk200", "-as"},
        {"stk300", "-as"},
        {"byteblaster", "-ab"},
        {"byteblastermv", "-ab"},
        {"byteblaster2", "-ab"},
        {"xilinx", "-ax"},
        {"map:mosi=D5:miso=~ACK:sck=D6:reset=D4",
         "-am:name=Inverted:mosi=D5:miso=~ACK:sck=D6:reset=D4"},
    };
    for (const auto& c : cases) {
        make_target("mega8", {std::string("adapter=") + c.wiring});
        const ProgramResult r = probe({"+mega8", c.adapter_switch});
        EXPECT_EQ(r.status, 0) << c.wiring << "\n" << r.output;
        EXPECT_TRUE(contains(r.output, answered)) << c.wiring << "\n" << r.output;
    }
}

TEST_F(VirtualPort, InvertedMisoMustBeDeclared) {
    make_target("mega8", {"adapter=map:mosi=D5:miso=~ACK:sck=D6:reset=D4"});
    const ProgramResult r = probe({"+mega8", "-am:mosi=D5:miso=ACK:sck=D6:reset=D4"});
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(contains(r.output, "echo 53")) << r.output;
}

TEST_F(VirtualPort, DetectionTellsTheAdaptersApart) {
    const struct {
        const char* wiring;
        const char* adapter_switch;
        const char* found;
    } cases[] = {
        {"stk200", "-as", "\t% Atmel adapter for STK200 found\n\t% STK adapter mode\n"},
        {"stk300", "-as", "\t% Atmel adapter for STK300 found\n\t% STK adapter mode\n"},
        {"byteblaster", "-ab", "\t% ByteBlaster found\n\t% ByteBlaster adapter mode\n"},
        {"byteblastermv", "-ab", "\t% ByteBlasterMV found\n\t% ByteBlaster adapter mode\n"},
        {"byteblaster2", "-ab", "\t% ByteBlaster-II found\n\t% ByteBlasterII adapter mode\n"},
        {"stk200", "-aa", "\t% Atmel adapter for STK200 found\n\t% STK adapter mode\n"},
        {"byteblaster2", "-aa",
         "\t% Atmel adapter for STK not found\n\t% ByteBlaster-II found\n"
         "\t% ByteBlasterII adapter mode\n"},
    };
    for (const auto& c : cases) {
        make_target("mega8", {std::string("adapter=") + c.wiring});
        const ProgramResult r = probe({"+mega8", c.adapter_switch, "-%"});
        EXPECT_EQ(r.status, 0) << c.wiring << "\n" << r.output;
        EXPECT_TRUE(contains(r.output, c.found)) << c.wiring << "\n" << r.output;
    }
}

TEST_F(VirtualPort, NothingAttachedStopsUnlessForced) {
    make_target("mega8", {"adapter=none"});
    ProgramResult r = probe({"+mega8", "-as"});
    EXPECT_EQ(r.status, 70);
    EXPECT_EQ(r.output, "Atmel STK* adapter not found\n\nstatus 70\n");
    r = probe({"+mega8", "-ab"});
    EXPECT_EQ(r.status, 70);
    EXPECT_EQ(r.output, "Altera ByteBlaster not found\n\nstatus 70\n");
    r = probe({"+mega8", "-aa"});
    EXPECT_EQ(r.output, "Known buffered adapter not found\n\nstatus 70\n");
    r = probe({"+mega8", "-as", "-!"});
    EXPECT_TRUE(contains(r.output, "Atmel STK* adapter not found, but forced by '-!'\n"))
        << r.output;
    EXPECT_FALSE(contains(r.output, "status 70")) << r.output;
}

TEST_F(VirtualPort, GeneratedClockRunsAChipWithoutItsOwn) {
    make_target("mega8", {"adapter=kelma", "clock=xtal"});
    ProgramResult r = probe({"+mega8", "-o0", "-%"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, "XTAL will be generated\n")) << r.output;
    EXPECT_TRUE(contains(r.output, answered)) << r.output;
    // Without the generated clock the chip stays silent.
    r = probe({"+mega8"});
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(contains(r.output, "echo 53")) << r.output;

    make_target("mega8", {"adapter=xilinx", "clock=xtal"});
    r = probe({"+mega8", "-ax", "-o0"});
    EXPECT_EQ(r.status, 70);
    EXPECT_EQ(r.output, "Can't generate XTAL, XILINX has no XTAL output\n\nstatus 70\n");
}

TEST_F(VirtualPort, OverstatedOscillatorGivesPhasesTooShortForTheChip) {
    // A quick port, so that one write stays well below two chip clocks even
    // in a slow (sanitized) build.
    make_target("mega8", {"adapter=kelma", "clock=1MHz", "port_cycle_us=0.25"});
    ProgramResult r = probe({"+mega8", "-o16MHz"});
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(contains(r.output, "echo 53")) << r.output;
    r = probe({"+mega8"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(contains(r.output, answered)) << r.output;
    r = probe({"+mega8", "-os100kHz", "-%"});
    EXPECT_TRUE(contains(r.output, "\t% setup 5.0us, hold 5.0us\n")) << r.output;
    EXPECT_TRUE(contains(r.output, answered)) << r.output;
}

TEST_F(VirtualPort, LibraryWithoutBlockWriteFallsBackToSingleWrites) {
    make_target("mega8", {"adapter=kelma", "stats=" + dir.file("stats.txt")});
    const ProgramResult r = probe({"+mega8"}, "libavrsim_dlportio_nobuffer.so");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(
        contains(r.output, "Can't get function 'DlPortWritePortBufferUchar' from library '"))
        << r.output;
    EXPECT_TRUE(contains(r.output, "Use emulation\n" + answered)) << r.output;
    const std::string stats = read_file(dir.file("stats.txt"));
    EXPECT_FALSE(contains(stats, "buffer_writes")) << stats;
    EXPECT_TRUE(contains(stats, "port_reads 144\n")) << stats;
}

TEST_F(VirtualPort, LazyModeNeedsTheDirectionBit) {
    make_target("mega8", {"adapter=kelma", "port_direction=no"});
    const ProgramResult r = probe({"+mega8", "-az"});
    EXPECT_EQ(r.status, 70);
    EXPECT_EQ(r.output, "Can't control LPT data direction bit (required for -AZ)\n\nstatus 70\n");
}

TEST_F(VirtualPort, SpiBitsCostOneBlockWriteAndOneStatusRead) {
    make_target("mega8", {"adapter=kelma", "stats=" + dir.file("stats.txt")});
    const ProgramResult r = probe({"+mega8"});
    ASSERT_EQ(r.status, 0) << r.output;
    // The probe exchanges 4 instructions of 4 bytes: 128 bits. Besides them the
    // cycle measurement makes 200 block writes and reads 3 registers; the
    // port, the waveforms and reset read the control or data register 12 times;
    // closing the port reads the status once.
    const std::string stats = read_file(dir.file("stats.txt"));
    EXPECT_TRUE(contains(stats, "buffer_writes 328\n")) << stats;
    EXPECT_TRUE(contains(stats, "port_reads 144\n")) << stats;
}
