// Whole quarnel runs over a Linux SPI controller with RESET on a GPIO line, served by the
// spidev stand-in, and avrdude's linuxspi programmer on the same chip.
#include "tests/quarnel/e2e/avrdude_client.h"
#include "tests/quarnel/e2e/ftdi_stand_in.h"
#include "tests/support/golden_text.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

const std::string mega328p = connected("mega328P");

std::string dots(std::size_t bytes) {
    return std::string(bytes / 512, '.');
}

// A virtual mega328P at 16 MHz on the stand-in's SPI bus, its counts in "spi.stats".
class SpiBench {
  public:
    explicit SpiBench(std::vector<std::string> settings = {})
        : bench("mega328P", with_defaults(std::move(settings))) {}

    BenchRun quarnel(const std::vector<std::string>& args) const {
        ProgramRun run;
        run.env["LD_PRELOAD"] = bin_path("libavrsim_spidev.so");
#ifdef QUARNEL_ASAN_RUNTIME
        // The sanitized program's runtime must come first in the preload list.
        run.env["LD_PRELOAD"] = std::string(QUARNEL_ASAN_RUNTIME) + ":" + run.env["LD_PRELOAD"];
#endif
        return bench.quarnel(args, run);
    }
    ProgramResult avrdude(const std::vector<std::string>& operations) const {
        std::vector<std::string> args = {"-c",    "linuxspi", "-p",
                                         "m328p", "-P",       "/dev/spidev0.0:/dev/gpiochip0",
                                         "-b",    "1000000"};
        args.insert(args.end(), operations.begin(), operations.end());
        return run_avrdude(bench, args, {{"LD_PRELOAD", bin_path("libavrsim_spidev.so")}});
    }
    // The "name value" lines the stand-in writes at exit.
    std::map<std::string, std::string> stats() const {
        std::map<std::string, std::string> values;
        std::istringstream lines(bench.get("spi.stats"));
        std::string name;
        std::string value;
        while (lines >> name >> value) {
            values[name] = value;
        }
        return values;
    }

    Bench bench;

  private:
    static std::vector<std::string> with_defaults(std::vector<std::string> settings) {
        settings.insert(settings.begin(), {"clock=16MHz", "spidev_stats=spi.stats"});
        return settings;
    }
};

TEST(LinuxSpiRun, WritesVerifiesReadsBackAndSetsFusesWithOneMessagePerPage) {
    const SpiBench spi;
    const Bytes image = firmware(32768);
    spi.bench.put("prog.hex", hex_text({{0, image}}));
    std::vector<std::string> args = {"+mega328P", "-alinuxspi", "-o16MHz", "-e",
                                     "-w",        "-v",         "prog.hex"};
    BenchRun run = spi.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + mega328p + "Chip not locked\nDevice erased\n" + mega328p +
                            golden_text("quarnel/fuse-values-mega328p.txt") +
                            "Programming CODE memory\n" + dots(32768) +
                            " done (T)\nVerifying CODE memory\n" + dots(32768) +
                            " passed\n done (T)\nTotal time T\nReset pin released\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(spi.bench.memory("flash"), image);
    std::map<std::string, std::string> stats = spi.stats();
    // 256 pages of loads, each with its page write, and 64 read chunks of 512 bytes: one
    // message of one transfer each.
    EXPECT_EQ(stats["spi_page_messages"], "320");
    EXPECT_EQ(stats["spi_transfers"], stats["spi_messages"]);
    EXPECT_EQ(stats["spi_refused"], "0");

    args = {"+mega328P", "-alinuxspi", "-o16MHz", "-r", "back.hex"};
    run = spi.quarnel(args);
    EXPECT_EQ(run.status, 0) << run.body;
    EXPECT_EQ(hex_bytes(spi.bench.get("back.hex"), image.size()), image);
    EXPECT_EQ(spi.stats()["spi_page_messages"], "64");

    args = {"+mega328P", "-alinuxspi", "-o16MHz", "-w", "-v", "-fBOOTRST=0,SUT=1"};
    run = spi.quarnel(args);
    EXPECT_EQ(run.status, 0) << run.body;
    EXPECT_EQ(spi.bench.setting("fuse_high"), "D8");
    EXPECT_EQ(spi.bench.setting("fuse_low"), "52");
    stats = spi.stats();
    EXPECT_EQ(stats["reset_line"], "high");
    EXPECT_EQ(stats["gpio_lines_held"], "0");
    EXPECT_EQ(stats["target_in_reset"], "0");
}

// Each way out: what is said, the status, and the level the RESET line is left at (given back
// in every case).
TEST(LinuxSpiRun, EveryWayOutReleasesResetAndGivesTheLineBack) {
    const std::string identified = mega328p + "Chip not locked\n" +
                                   golden_text("quarnel/fuse-values-mega328p.txt") +
                                   "Total time T\nReset pin released\n";
    const std::string resync = "Can't resync\n\nReset pin released\n";
    const struct {
        std::vector<std::string> settings;
        std::vector<std::string> switches;
        std::string said;
        int status;
        std::string reset_line; // empty: no device was opened
        bool held = false;      // an inverter that the -p text does not name holds RESET
    } cases[] = {
        {{}, {"-p/dev/spidev0.0:/dev/gpiochip0:25"}, identified, 0, "high"},
        {{"gpio_reset=~25"}, {"-p::~25"}, identified, 0, "low"},
        {{}, {"-az"}, identified, 0, "input"},
        // RESET on another line than the one named, or behind an inverter not named.
        {{"gpio_reset=24"}, {}, resync, 40, "input"},
        {{"gpio_reset=~25"}, {}, resync, 40, "high", true},
        // A controller too slow for the SCK asked for: the chip misses edges.
        {{"spidev_max_hz=1000000"}, {"-os8MHz"}, identified, 0, "high"},
        {{}, {"-os8MHz"}, resync, 40, "high"},
        {{"spidev_fault=missing"},
         {},
         "can't open /dev/spidev0.0: No such file or directory (is SPI enabled: "
         "dtparam=spi=on?)\n\n",
         70,
         "input"},
        {{"spidev_fault=permission"},
         {},
         "can't open /dev/spidev0.0: Permission denied (the user needs to be in group spi)\n\n",
         70,
         "input"},
        {{"spidev_fault=gpio_permission"},
         {},
         "can't open /dev/gpiochip0: Permission denied (the user needs to be in group gpio)\n\n",
         70,
         "input"},
        {{"spidev_fault=busy"},
         {},
         "can't get line 25 of /dev/gpiochip0: Device or resource busy (another program holds "
         "the line)\n\n",
         70,
         "input"},
        {{}, {"-p::60"}, "can't get line 60 of /dev/gpiochip0: Invalid argument\n\n", 70, "input"},
        // Refused before any device is opened.
        {{},
         {"-p::x25"},
         "Invalid linuxspi port '::x25', use [SPIDEV][:GPIOCHIP[:[~]LINE]]\n\n",
         70,
         ""},
        {{}, {"-o0"}, "Linux SPI adapter can't generate XTAL\n\n", 70, ""},
    };
    for (const auto& c : cases) {
        const SpiBench spi(c.settings);
        std::vector<std::string> args = {"+mega328P", "-alinuxspi", "-o16MHz"};
        args.insert(args.end(), c.switches.begin(), c.switches.end());
        SCOPED_TRACE(args.back() + (c.settings.empty() ? "" : " " + c.settings.front()));
        const BenchRun run = spi.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + c.said);
        EXPECT_EQ(run.status, c.status);
        std::map<std::string, std::string> stats = spi.stats();
        if (c.reset_line.empty()) {
            EXPECT_TRUE(stats.empty());
            continue;
        }
        EXPECT_EQ(stats["gpio_lines_held"], "0");
        // The line wired to RESET; with RESET on line 24 nobody drives it.
        EXPECT_EQ(stats["reset_line"], c.reset_line);
        EXPECT_EQ(stats["target_in_reset"], c.held ? "1" : "0");
    }
}

// avrdude verifies what quarnel wrote, and quarnel reads back what avrdude wrote.
TEST(LinuxSpiRun, AvrdudeAndQuarnelReadWhatTheOtherWrote) {
    if (!avrdude_installed()) {
        GTEST_SKIP() << "avrdude is not installed";
    }
    const SpiBench spi;
    Bytes image = firmware(32768, 0x77);
    spi.bench.put("prog.hex", hex_text({{0, image}}));
    const BenchRun run =
        spi.quarnel({"+mega328P", "-alinuxspi", "-o16MHz", "-e", "-w", "prog.hex"});
    EXPECT_EQ(run.status, 0) << run.body;
    spi.bench.put("prog.bin", std::string(image.begin(), image.end()));
    ProgramResult avrdude = spi.avrdude({"-U", "flash:v:prog.bin:r"});
    EXPECT_EQ(avrdude.status, 0) << avrdude.output;
    EXPECT_NE(avrdude.output.find("32768 bytes of flash verified"), std::string::npos);

    image = firmware(32768, 0x99);
    spi.bench.put("other.bin", std::string(image.begin(), image.end()));
    avrdude = spi.avrdude({"-e", "-U", "flash:w:other.bin:r"});
    EXPECT_EQ(avrdude.status, 0) << avrdude.output;
    const BenchRun back = spi.quarnel({"+mega328P", "-alinuxspi", "-o16MHz", "-r", "back.hex"});
    EXPECT_EQ(back.status, 0) << back.body;
    EXPECT_EQ(hex_bytes(spi.bench.get("back.hex"), image.size()), image);
}

} // namespace
