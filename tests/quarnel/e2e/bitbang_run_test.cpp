// Whole quarnel runs over an FT232R in synchronous bit-bang through both FTDI libraries, and
// avrdude's ft232r programmer on the same stand-in.
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

// The "name value" lines the stand-in writes at exit.
std::map<std::string, double> usb_stats(const Bench& bench) {
    std::map<std::string, double> values;
    std::istringstream lines(bench.get("usb.stats"));
    std::string name;
    double value = 0;
    while (lines >> name >> value) {
        values[name] = value;
    }
    return values;
}

// An FT232R (or the chip `settings` name) that writes its counts into "usb.stats" of the
// folder the program runs in.
std::vector<std::string> ft232r(std::vector<std::string> settings = {}) {
    settings.insert(settings.begin(), {"ftdi=ft232r", "ftdi_stats=usb.stats"});
    return settings;
}

TEST(BitbangRun, WritesVerifiesReadsBackAndSetsFusesThroughBothLibraries) {
    const std::string fuses = golden_text("quarnel/fuse-values-mega328p.txt");
    for (const Backend* backend : backends) {
        SCOPED_TRACE(backend->name);
        const FtdiBench ftdi(ft232r(), *backend);
        const Bytes image = firmware(32768);
        ftdi.bench.put("prog.hex", hex_text({{0, image}}));

        std::vector<std::string> args = {"+mega328P", "-aft232r", "-o16MHz", "-e",
                                         "-w",        "-v",       "prog.hex"};
        BenchRun run = ftdi.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + mega328p + "Chip not locked\nDevice erased\n" + mega328p +
                                fuses + "Programming CODE memory\n" + dots(32768) +
                                " done (T)\nVerifying CODE memory\n" + dots(32768) +
                                " passed\n done (T)\nTotal time T\nReset pin released\n");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(ftdi.bench.memory("flash"), image);

        args = {"+mega328P", "-aft232r", "-o16MHz", "-r", "back.hex"};
        run = ftdi.quarnel(args);
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_EQ(hex_bytes(ftdi.bench.get("back.hex"), image.size()), image);

        args = {"+mega328P", "-aft232r", "-o16MHz", "-w", "-v", "-fBOOTRST=0,SUT=1"};
        run = ftdi.quarnel(args);
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_EQ(ftdi.bench.setting("fuse_high"), "D8");
        EXPECT_EQ(ftdi.bench.setting("fuse_low"), "52");
        EXPECT_EQ(usb_stats(ftdi.bench)["target_in_reset"], 0);
    }
}

// MISO taken from a line the target does not drive, or MOSI on one it does not listen to:
// the chip never answers, and the run ends with RESET released.
TEST(BitbangRun, WrongWiringEndsWithResyncFailureAndResetReleased) {
    for (const Backend* backend : backends) {
        for (const auto& [chip, adapter] : {std::pair{"ft232r", "-aft232r:miso=CTS"},
                                            {"ft232r", "-aft232r:mosi=DSR"},
                                            {"ft231x", "-aft231x=wiring.cfg"}}) {
            SCOPED_TRACE(backend->name + " " + adapter);
            const FtdiBench ftdi(ft232r({std::string("ftdi=") + chip}), *backend);
            ftdi.bench.put("wiring.cfg", "name = Swapped\nsck = RTS\nmosi = TXD\n");
            const std::vector<std::string> args = {"+mega328P", adapter, "-o16MHz"};
            const BenchRun run = ftdi.quarnel(args);
            EXPECT_EQ(run.body, echo(args) + "Can't resync\n\nReset pin released\n");
            EXPECT_EQ(run.status, 40);
            EXPECT_EQ(usb_stats(ftdi.bench)["target_in_reset"], 0);
        }
    }
}

TEST(BitbangRun, RefusedSettingsEndWithStatus70AndUnknownNamesStayRefused) {
    const struct {
        std::vector<std::string> switches;
        std::string said;
        int status;
    } cases[] = {
        {{"-aft230x"}, "reset must be in D0..D3 lines\n\n", 70},
        {{"-aft230x:reset=CTS:sck=D4"}, "adapter: invalid pin name 'D4'\n\n", 70},
        {{"-aft232r:reset=D8"}, "adapter: invalid pin name 'D8'\n\n", 70},
        {{"-aft232r:reset=TXD"},
         "adapter: can't use 'TXD' for 'reset' - already used for 'sck'\n\n",
         70},
        {{"-aft232r", "-o0"}, "FTDI bit-bang adapter can't generate XTAL\n\n", 70},
        {{"-aft232r", "-o1kHz", "+86RF401"},
         "SCK frequency for FTDI bit-bang adapter must be higher than 0.37kHz\n\n",
         70},
        {{"-aft232r", "-pd=Other"},
         "Can't open FTDI device with description \"Other\" (FT_DEVICE_NOT_FOUND)\n\n",
         70},
        {{"-aft232r", "-p?"},
         "1 FTDI devices detected\n"
         " 0: FT_DEVICE_232R (0x5) - \"FT232R USB UART\", serno \"AVRSIM01\"\n\n",
         0},
        // Texts the letter rules refused before keep their meaning.
        {{"-aft232rx"}, "Invalid value 'ft232rx' for switch A\n\n", 70},
        {{"-aft232"}, "Invalid value 'ft232' for switch A\n\n", 70},
    };
    for (const auto& c : cases) {
        const FtdiBench ftdi(ft232r(), d2xx);
        std::vector<std::string> args = {"+mega328P", "-o16MHz"};
        args.insert(args.end(), c.switches.begin(), c.switches.end());
        SCOPED_TRACE(c.switches.front());
        const BenchRun run = ftdi.quarnel(args);
        EXPECT_EQ(run.body.substr(0, echo(args).size()), echo(args));
        EXPECT_EQ(run.body.substr(echo(args).size()).substr(0, c.said.size()), c.said);
        EXPECT_EQ(run.status, c.status);
    }
}

// The bus time of a 32 KB write and verify against the least the wire needs at the SCK used:
// two bytes a bit go out and two samples come back, the out bytes at most 19 full-speed
// packets of 64 bytes a millisecond. Both libraries put the same bytes on the wire. And
// avrdude's ft232r programmer on the same chip.
TEST(BitbangRun, WriteAndVerifyStayNearTheWireBoundAndBeatAvrdude) {
    const double usb_bytes_per_us = 19 * 64 / 1000.0;
    const struct {
        std::string clock;
        double sck_hz; // what the adapter makes of it
    } cases[] = {{"-o16MHz", 48e6 / 19}, {"-os500kHz", 500e3}};
    const Bytes image = firmware(32768);
    double quarnel_libftdi_us = 0;
    std::map<std::string, double> bytes_of_clock;
    for (const Backend* backend : backends) {
        for (const auto& c : cases) {
            SCOPED_TRACE(backend->name + " " + c.clock);
            const FtdiBench ftdi(ft232r(), *backend);
            ftdi.bench.put("prog.hex", hex_text({{0, image}}));
            const BenchRun run =
                ftdi.quarnel({"+mega328P", "-aft232r", c.clock, "-e", "-w", "-v", "prog.hex"});
            ASSERT_EQ(run.status, 0) << run.body;
            std::map<std::string, double> stats = usb_stats(ftdi.bench);
            const double bytes_per_us = std::min(2 * c.sck_hz / 1e6, usb_bytes_per_us);
            const double bound_us = stats["bytes_written"] / bytes_per_us;
            std::printf("%s %s: bus time %.2f s, wire bound %.2f s (%.2fx), %.0f reads\n",
                        backend->name.c_str(), c.clock.c_str(), stats["bus_time_us"] / 1e6,
                        bound_us / 1e6, stats["bus_time_us"] / bound_us, stats["usb_reads"]);
            EXPECT_LE(stats["bus_time_us"], 1.3 * bound_us);
            if (backend == &libftdi && c.clock == "-o16MHz") {
                quarnel_libftdi_us = stats["bus_time_us"];
            }
            if (!bytes_of_clock.emplace(c.clock, stats["bytes_written"]).second) {
                EXPECT_EQ(stats["bytes_written"], bytes_of_clock[c.clock]);
            }
        }
    }
    if (!avrdude_installed()) {
        GTEST_SKIP() << "avrdude is not installed";
    }
    const FtdiBench ftdi(ft232r(), libftdi);
    ftdi.bench.put("prog.bin", std::string(image.begin(), image.end()));
    const ProgramResult avrdude =
        run_avrdude(ftdi.bench, {"-c", "ft232r", "-p", "m328p", "-e", "-U", "flash:w:prog.bin:r"});
    ASSERT_EQ(avrdude.status, 0) << avrdude.output;
    EXPECT_NE(avrdude.output.find("32768 bytes of flash verified"), std::string::npos);
    EXPECT_EQ(ftdi.bench.memory("flash"), image);
    const double avrdude_us = usb_stats(ftdi.bench)["bus_time_us"];
    std::printf("avrdude -c ft232r: bus time %.2f s\n", avrdude_us / 1e6);
    EXPECT_LT(quarnel_libftdi_us, avrdude_us);
}

} // namespace
