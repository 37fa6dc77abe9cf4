// Runs with the files toolchains make: ELF executables from avr-gcc (flash, EEPROM, fuses,
// lock, signature) and Motorola S-records from srec_cat, into and out of the virtual chip.
#include "tests/quarnel/e2e/run_bench.h"

#include <gtest/gtest.h>

namespace {

// Runs `command` with /bin/sh in the bench's folder; its output when it fails.
std::string sh(const Bench& bench, const std::string& command) {
    ProgramRun run;
    run.program = "/bin/sh";
    run.args = {"-c", command};
    run.directory = bench.file("");
    const ProgramResult result = run_program(run);
    return result.status == 0 ? "" : command + "\n" + result.output;
}

bool have_tools(const Bench& bench) {
    return sh(bench, "command -v avr-gcc && command -v avr-objcopy && command -v srec_cat") == "";
}

#define REQUIRE_TOOLS(bench)                                                                       \
    if (!have_tools(bench)) {                                                                      \
        GTEST_SKIP() << "avr-gcc, avr-objcopy or srec_cat missing (Debian: gcc-avr, srecord)";     \
    }

// The test firmware built for `mcu` as fw.elf in the bench's folder.
std::string build_firmware(const Bench& bench, const std::string& mcu) {
    return sh(bench, "avr-gcc -Os -mmcu=" + mcu + " -o fw.elf " +
                         source_path("tests/quarnel/e2e/firmware/settings.c"));
}

// A memory of `size` bytes holding the raw file `name` of the bench from address 0.
Bytes placed_file(const Bench& bench, const std::string& name, std::size_t size) {
    const std::string content = bench.get(name);
    Bytes memory(size, 0xFF);
    std::copy(content.begin(), content.end(), memory.begin());
    return memory;
}

std::string fuses_of(const Bench& bench) {
    return bench.setting("fuse_low") + " " + bench.setting("fuse_high") + " " +
           bench.setting("fuse_ext");
}

} // namespace

TEST(RunFiles, ElfProgramsFlashEepromAndOnRequestFusesAndLock) {
    struct Case {
        const char* mcu;
        const char* chip;
        std::vector<std::string> options;
        std::string fuses; // low, high, extended after the run
        std::string lock;
        std::string warning; // the line about the file's fuses, when the run prints one
    };
    const Case cases[] = {
        {"atmega328p",
         "mega328P",
         {},
         "62 D9 FF",
         "FF",
         "Warning: fuses of fw.elf differ from the chip's: _LOW E2 (chip 62) _HIGH D1 (chip D9)"
         " _EXT FD (chip FF); --file-fuses writes them\n"},
        {"atmega328p", "mega328P", {"--file-fuses", "--file-lock"}, "E2 D1 FD", "F2", ""},
        {"atmega2560", "mega2560", {"--file-fuses"}, "E2 D1 FD", "FF", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mcu) + (c.options.empty() ? "" : " " + c.options[0]));
        Bench bench(c.chip);
        REQUIRE_TOOLS(bench);
        ASSERT_EQ(build_firmware(bench, c.mcu), "");
        ASSERT_EQ(sh(bench, "avr-objcopy -O binary -j .text -j .data fw.elf flash.bin && "
                            "avr-objcopy -O binary -j .eeprom --change-section-lma .eeprom=0 "
                            "fw.elf eeprom.bin"),
                  "");
        std::vector<std::string> args = {std::string("+") + c.chip, "-e", "-w", "-v"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("fw.elf");
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_NE(run.body.find("Verifying DATA memory\n passed\n"), std::string::npos);
        EXPECT_EQ(run.body.find("Warning: fuses of") == std::string::npos, c.warning.empty());
        if (!c.warning.empty()) {
            EXPECT_NE(run.body.find(c.warning), std::string::npos) << run.body;
        }
        const Bytes flash = bench.memory("flash");
        EXPECT_EQ(flash, placed_file(bench, "flash.bin", flash.size()));
        const Bytes eeprom = bench.memory("eeprom");
        EXPECT_EQ(eeprom, placed_file(bench, "eeprom.bin", eeprom.size()));
        EXPECT_EQ(fuses_of(bench), c.fuses);
        EXPECT_EQ(bench.setting("lock"), c.lock);
    }
}

TEST(RunFiles, ElfForAnotherChipStopsBeforeAnyChange) {
    Bench bench("mega328P");
    REQUIRE_TOOLS(bench);
    ASSERT_EQ(build_firmware(bench, "atmega8"), "");
    bench.load("flash", {{0, {1, 2, 3, 4}}});
    const std::string before = bench.get("chip.avr");
    const std::vector<std::string> args = {"+mega328P", "-e", "-w", "-v", "fw.elf"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + connected("mega328P") +
                            "Chip not locked\n"
                            "fw.elf is built for mega8|mega8A, the chip is mega328P\n"
                            "Can't continue\n\nReset pin released\n");
    EXPECT_EQ(run.status, 30);
    EXPECT_EQ(bench.get("chip.avr"), before);

    // -! goes on, and says so.
    const BenchRun forced = bench.quarnel({"+mega328P", "-!", "-e", "-w", "fw.elf"});
    EXPECT_EQ(forced.status, 0) << forced.body;
    EXPECT_NE(forced.body.find("Warning: fw.elf is built for mega8|mega8A, the chip is mega328P\n"),
              std::string::npos);
}

TEST(RunFiles, SRecordsInEveryAddressFormAndBack) {
    Bench bench("mega328P");
    REQUIRE_TOOLS(bench);
    ASSERT_EQ(build_firmware(bench, "atmega328p"), "");
    ASSERT_EQ(sh(bench, "avr-objcopy -O binary -j .text -j .data fw.elf flash.bin"), "");
    const Bytes expected = placed_file(bench, "flash.bin", 32768);
    // S1, S2 and S3 records, as srec_cat writes them.
    for (const char* length : {"2", "3", "4"}) {
        SCOPED_TRACE(length);
        ASSERT_EQ(sh(bench, std::string("srec_cat flash.bin -binary -o fw.srec -motorola "
                                        "-address-length=") +
                                length),
                  "");
        const BenchRun run = bench.quarnel({"+mega328P", "-e", "-w", "-v", "fw.srec"});
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_EQ(bench.memory("flash"), expected);
    }

    // One bad checksum: nothing is written.
    bench.load("flash", {});
    ASSERT_EQ(sh(bench, "sed '3s/..$/00/' fw.srec > bad.srec"), "");
    const BenchRun bad = bench.quarnel({"+mega328P", "-e", "-w", "bad.srec"});
    EXPECT_EQ(bad.status, 50);
    EXPECT_NE(bad.body.find("S-record checksum error in line 3 of 'bad.srec'\n"), std::string::npos)
        << bad.body;
    EXPECT_EQ(bench.memory("flash"), Bytes(32768, 0xFF));

    // Read back as S-records, which srec_cat reads as the chip holds them.
    ASSERT_EQ(bench.quarnel({"+mega328P", "-w", "fw.srec"}).status, 0);
    const BenchRun read = bench.quarnel({"+mega328P", "-r", "-c", ":srec:back.srec"});
    EXPECT_EQ(read.status, 0) << read.body;
    ASSERT_EQ(sh(bench, "srec_cat back.srec -motorola -fill 0xFF 0 0x8000 -o back.bin -binary"),
              "");
    EXPECT_EQ(placed_file(bench, "back.bin", 32768), bench.memory("flash"));
}
