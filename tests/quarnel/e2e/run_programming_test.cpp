// Runs that program, split, fit-test and read back the virtual chip.
#include "tests/quarnel/e2e/run_bench.h"

#include <gtest/gtest.h>

namespace {

const std::string mega8 = connected("mega8|mega8A");
const std::string tiny = connected("tiny2313|tiny2313A");

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) & 0x7F);
    }
    return bytes;
}

// `image` placed at `address` of a memory of `size` erased bytes.
Bytes placed(const Bytes& image, std::size_t address, std::size_t size) {
    Bytes memory(size, 0xFF);
    std::copy(image.begin(), image.end(), memory.begin() + static_cast<long>(address));
    return memory;
}

} // namespace

TEST(RunProgramming, EraseWriteVerifyTypicalRun) {
    Bench bench("mega8");
    const Bytes image = pattern(1100, 3);
    bench.put("prog.hex", hex_text({{0, image}}));
    const std::vector<std::string> args = {"+mega8", "-e", "-w", "-v", "prog.hex"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + mega8 + "Chip not locked\nDevice erased\n" + mega8 +
                            mega8_fuses("Fuses ") +
                            "Programming CODE memory\n.. done (T)\n"
                            "Verifying CODE memory\n.. passed\n done (T)\n"
                            "Total time T\nReset pin released\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(bench.memory("flash"), placed(image, 0, 8192));
    EXPECT_EQ(bench.memory("eeprom"), Bytes(512, 0xFF));
}

TEST(RunProgramming, ATerminalSeesOneProgressLineAPipeTheDots) {
    Bench bench("mega8");
    const Bytes image = pattern(2048, 5);
    bench.put("prog.hex", hex_text({{0, image}}));
    const std::vector<std::string> args = {"+mega8", "-e", "-w", "prog.hex"};
    // `script` gives the run a pseudo-terminal as its standard output.
    const BenchRun terminal = bench.quarnel_shell("exec script -qefc \"$0 $*\" /dev/null", args);
    EXPECT_EQ(terminal.status, 0) << terminal.body;
    EXPECT_NE(terminal.body.find("\r  0% 0/2048 bytes"), std::string::npos) << terminal.body;
    EXPECT_NE(terminal.body.find("\r100% 2048/2048 bytes, "), std::string::npos) << terminal.body;
    EXPECT_EQ(terminal.body.find(".."), std::string::npos) << terminal.body;
    EXPECT_NE(terminal.body.find(" done (T)\r\nTotal time T"), std::string::npos) << terminal.body;
    EXPECT_EQ(bench.memory("flash"), placed(image, 0, 8192));

    const BenchRun pipe = bench.quarnel(args);
    EXPECT_NE(pipe.body.find("Programming CODE memory\n" + std::string(4, '.') + " done (T)\n"),
              std::string::npos)
        << pipe.body;
    EXPECT_EQ(pipe.body.find('\r'), std::string::npos);
}

TEST(RunProgramming, SingleFileAboveFlashGoesToEepromButNotWithDashC) {
    const Bytes code = pattern(40, 1);
    const Bytes data = pattern(20, 9);
    const std::string prefix = echo({"+tiny2313", "-w", "-v", "all.hex"}) + tiny +
                               "Chip not locked\n" + tiny2313_fuses("Fuses ");
    {
        Bench bench("tiny2313");
        bench.put("all.hex", hex_text({{0, code}, {2048 + 5, data}}));
        const BenchRun run = bench.quarnel({"+tiny2313", "-w", "-v", "all.hex"});
        EXPECT_EQ(run.body, prefix + "Programming CODE memory\n done (T)\n"
                                     "Verifying CODE memory\n passed\n done (T)\n"
                                     "Programming DATA memory\n done (T)\n"
                                     "Verifying DATA memory\n passed\n done (T)\n"
                                     "Total time T\nReset pin released\n");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(bench.memory("flash"), placed(code, 0, 2048));
        EXPECT_EQ(bench.memory("eeprom"), placed(data, 5, 128));
    }
    {
        // A portion that straddles the flash end is cut: its tail starts the EEPROM.
        Bench bench("tiny2313");
        bench.put("all.hex", hex_text({{2048 - 16, code}}));
        const BenchRun run = bench.quarnel({"+tiny2313", "-w", "all.hex"});
        EXPECT_EQ(run.status, 0) << run.body;
        EXPECT_EQ(bench.memory("flash"),
                  placed(Bytes(code.begin(), code.begin() + 16), 2048 - 16, 2048));
        EXPECT_EQ(bench.memory("eeprom"), placed(Bytes(code.begin() + 16, code.end()), 0, 128));
    }
    {
        Bench bench("tiny2313");
        bench.put("all.hex", hex_text({{0, code}, {2048 + 5, data}}));
        const std::vector<std::string> args = {"+tiny2313", "-w", "-v", "-c", "all.hex"};
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" + tiny2313_fuses("Fuses ") +
                                "Can't fit all.hex in CODE memory\n\nReset pin released\n");
        EXPECT_EQ(run.status, 50);
        EXPECT_EQ(bench.memory("flash"), Bytes(2048, 0xFF));
    }
}

TEST(RunProgramming, ReadIntoFilesRereadsIdentically) {
    Bench bench("tiny2313");
    const Bytes code = pattern(100, 5);
    const Bytes data = pattern(10, 2);
    bench.load("flash", {{0x100, code}, {0x700, code}});
    bench.load("eeprom", {{0x20, data}});
    const Bytes flash = bench.memory("flash");
    const Bytes eeprom = bench.memory("eeprom");

    const std::string report = tiny + "Chip not locked\n" + tiny2313_fuses("Fuses ") +
                               "Reading CODE memory\n.... done (T)\n"
                               "Reading DATA memory\n.... done (T)\n"
                               "Total time T\nReset pin released\n";
    for (const std::string read : {"-r", "-r+"}) {
        const std::vector<std::string> args = {"+tiny2313", read, "f.hex", "e.hex"};
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + report) << read;
        EXPECT_EQ(run.status, 0);
        std::size_t flash_defined = 0;
        std::size_t eeprom_defined = 0;
        EXPECT_EQ(hex_bytes(bench.get("f.hex"), 2048, &flash_defined), flash) << read;
        EXPECT_EQ(hex_bytes(bench.get("e.hex"), 128, &eeprom_defined), eeprom) << read;
        if (read == "-r+") {
            // Every location, erased blocks included.
            EXPECT_EQ(flash_defined, 2048u);
            EXPECT_EQ(eeprom_defined, 128u);
        } else {
            EXPECT_LT(flash_defined, 2048u - 1024u);
            EXPECT_LT(eeprom_defined, 64u);
        }
        // What was read verifies against the chip, unmentioned locations included.
        const BenchRun verify = bench.quarnel({"+tiny2313", "-v+", "f.hex", "e.hex"});
        EXPECT_EQ(verify.status, 0) << verify.body;
    }
}
