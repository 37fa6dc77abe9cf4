// Runs that lock the virtual chip, meet a locked chip, and change its fuses.
#include "tests/quarnel/e2e/run_bench.h"

#include <gtest/gtest.h>

namespace {

const std::string mega8 = connected("mega8|mega8A");
const std::string tiny = connected("tiny2313|tiny2313A");
const Bytes program = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
const std::string ending = "\nReset pin released\n";
const std::string success = "Total time T\nReset pin released\n";

Bytes flash_with_program() {
    Bytes flash(2048, 0xFF);
    std::copy(program.begin(), program.end(), flash.begin());
    return flash;
}

// A tiny2313 that holds the program and is locked to `level`.
void lock_programmed_chip(const Bench& bench, char level) {
    bench.put("p.hex", hex_text({{0, program}}));
    const BenchRun run =
        bench.quarnel({"+tiny2313", "-e", "-w", std::string("-l") + level, "p.hex"});
    ASSERT_EQ(run.body, echo({"+tiny2313", "-e", "-w", std::string("-l") + level, "p.hex"}) + tiny +
                            "Chip not locked\nDevice erased\n" + tiny + tiny2313_fuses("Fuses ") +
                            "Programming CODE memory\n done (T)\nDevice locked to level " + level +
                            "!\n" + success);
    ASSERT_EQ(run.status, 0);
}

} // namespace

TEST(RunLock, LevelOneRefusesWrites) {
    Bench bench("tiny2313");
    lock_programmed_chip(bench, '1');
    EXPECT_EQ(bench.setting("lock"), "FE");
    bench.put("other.hex", hex_text({{0, {0x00, 0x00}}}));
    const std::vector<std::string> args = {"+tiny2313", "-w", "other.hex"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + tiny + "Chip locked - programming disabled\n" +
                            "Can't write to locked chip\n" + ending);
    EXPECT_EQ(run.status, 10);
    EXPECT_EQ(bench.memory("flash"), flash_with_program());

    // A lower level than the chip's is not written.
    const BenchRun again = bench.quarnel({"+tiny2313", "-v", "-l1", "p.hex"});
    EXPECT_EQ(again.body, echo({"+tiny2313", "-v", "-l1", "p.hex"}) + tiny +
                              "Chip locked - programming disabled\n" + tiny2313_fuses("Fuses ") +
                              "Verifying CODE memory\n passed\n done (T)\n"
                              "Device locked to level 1!\n" +
                              success);
    EXPECT_EQ(again.status, 0);
}

TEST(RunLock, LevelTwoHidesTheMemories) {
    Bench bench("tiny2313");
    lock_programmed_chip(bench, '2');
    EXPECT_EQ(bench.setting("lock"), "FC");
    const std::string locked = tiny + "Chip locked - reading and programming disabled\n";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"+tiny2313", "-v", "p.hex"}, {"+tiny2313", "-r", "f.hex"}, {"+tiny2313", "-bc"}}) {
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + locked +
                                "Can't read (blank check, verify) fully locked chip\n" + ending)
            << args[1];
        EXPECT_EQ(run.status, 10) << args[1];
    }
    // Forced, the read goes on and sees only erased memory.
    const std::vector<std::string> args = {"+tiny2313", "-!", "-r+", "f.hex"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + locked + tiny2313_fuses("Fuses ") +
                            "Reading CODE memory\n.... done (T)\n" + success);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(hex_bytes(bench.get("f.hex"), 2048), Bytes(2048, 0xFF));
    EXPECT_EQ(bench.memory("flash"), flash_with_program());

    // Fuses still verify; a lower lock level is refused with a warning only.
    const std::vector<std::string> lower = {"+tiny2313", "-v", "-l1", "-fCKSEL=4"};
    const BenchRun warned = bench.quarnel(lower);
    EXPECT_EQ(warned.body, echo(lower) + locked + tiny2313_fuses("Fuses ") +
                               "Verifying fuses\npassed\n"
                               "Warning: device already locked to level 2, can't change lock "
                               "level!\n" +
                               success);
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(bench.setting("lock"), "FC");
}

TEST(RunLock, LockBeforeFusesLeavesTheFusesUnwritable) {
    // The chip refuses fuse writes once locked: -l+ shows it in the new value and the
    // verification, -l writes the fuses first.
    struct Case {
        const char* lock;
        std::string after_fuses_read;
        int status;
        unsigned fuse_low;
        const char* fuse_low_text;
    };
    const std::string verified = "Verifying fuses\npassed\n";
    const std::vector<Case> cases = {
        {"-l+1", "Verifying fuses\n  CKSEL   : expected 2, read 4\nVerifying of fuses failed\n\n",
         10, 0x64, "64"},
        {"-l1", verified + "Device locked to level 1!\nTotal time T\n", 0, 0x62, "62"},
    };
    for (const Case& c : cases) {
        Bench bench("tiny2313");
        const std::vector<std::string> args = {"+tiny2313", "-w", "-v", c.lock, "-fCKSEL=2"};
        const BenchRun run = bench.quarnel(args);
        const std::string before =
            std::string(c.lock) == "-l+1" ? "Device locked to level 1!\n" : "";
        EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" + tiny2313_fuses("Fuses ") +
                                before + "Programming fuses\n" +
                                tiny2313_fuses("New fuses value", c.fuse_low) + c.after_fuses_read +
                                "Reset pin released\n")
            << c.lock;
        EXPECT_EQ(run.status, c.status) << c.lock;
        EXPECT_EQ(bench.setting("fuse_low"), c.fuse_low_text) << c.lock;
        EXPECT_EQ(bench.setting("lock"), "FE") << c.lock;
    }
}

TEST(RunFuses, ChangeKeepsTheOtherBytes) {
    Bench bench("mega8");
    const std::vector<std::string> args = {"+mega8", "-w", "-fCKSEL=F"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + mega8 + "Chip not locked\n" + mega8_fuses("Fuses ") +
                            "Programming fuses\n" + mega8_fuses("New fuses value", 0xFF, 0xEF) +
                            success);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(bench.setting("fuse_low"), "EF");
    EXPECT_EQ(bench.setting("fuse_high"), "D9");
    EXPECT_EQ(bench.setting("lock"), "FF");
}

TEST(RunFuses, BootLockReleaseNeedsAnErase) {
    Bench bench("mega8", {"lock=F3"});
    const std::vector<std::string> args = {"+mega8", "-w", "-fCKSEL=F,BLB0=3"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + mega8 + "Chip not locked\n" + mega8_fuses("Fuses ", 0xF3) +
                            "Can't write all requested fuses, need to erase chip\n" + ending);
    EXPECT_EQ(run.status, 10);
    EXPECT_EQ(bench.setting("fuse_low"), "E1");
    EXPECT_EQ(bench.setting("lock"), "F3");
}
