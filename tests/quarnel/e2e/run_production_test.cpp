// Production runs: serial numbers, calibration and fixed bytes, the erase counter,
// and the EEPROM kept across an erase.
#include "tests/quarnel/e2e/run_bench.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <regex>
#include <sys/stat.h>

namespace {

const std::string tiny = connected("tiny2313|tiny2313A");
const std::string success = "Total time T\nReset pin released\n";
// Two LDI r30,0 instructions at 4 and 6 among plain bytes.
const Bytes program = {0x01, 0x02, 0x03, 0x04, 0xE0, 0xE0, 0xE0, 0xE0,
                       0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C};

Bytes range(const Bytes& memory, std::size_t from, std::size_t count) {
    return Bytes(memory.begin() + static_cast<long>(from),
                 memory.begin() + static_cast<long>(from + count));
}

} // namespace

TEST(RunProduction, InsertsSerialNumberCalibrationAndBytes) {
    Bench bench("tiny2313", {"calibration=9A 55"});
    bench.put("p.hex", hex_text({{0, program}}));
    bench.put("sn.txt", "41\n");
    const std::vector<std::string> args = {
        "+tiny2313",       "-e", "-w", "-v", "p.hex", "-C?OSCCAL=4,+3", "-C*SERNO2=8,sn.txt",
        "-C*BYTES2=C,A55A"};
    const std::string fuses = tiny2313_fuses("Fuses ", 0x64, 0xDF, "9A 55");
    BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" +
                            "OSCCAL0+3 inserted to CODE memory at 0x4 as part of LDI command\n"
                            "Chip serial number is 41\n"
                            "Device erased\n" +
                            tiny + fuses +
                            "Programming CODE memory\n done (T)\n"
                            "Verifying CODE memory\n passed\n done (T)\n" +
                            success);
    EXPECT_EQ(run.status, 0);
    // 0x9A + 3 = 0x9D into the constant nibbles of the first LDI word.
    EXPECT_EQ(range(bench.memory("flash"), 0, 16),
              (Bytes{0x01, 0x02, 0x03, 0x04, 0xED, 0xE9, 0xE0, 0xE0, 0x29, 0x00, 0x07, 0x08, 0xA5,
                     0x5A, 0x0B, 0x0C}));
    EXPECT_EQ(bench.get("sn.txt"), "42\n");

    // A verification does not use the number up.
    bench.put("sn.txt", "41\n");
    const std::vector<std::string> verify = {
        "+tiny2313", "-v", "p.hex", "-C?OSCCAL=4,+3", "-C*SERNO2=8,sn.txt", "-C*BYTES2=C,A55A"};
    run = bench.quarnel(verify);
    EXPECT_EQ(run.body, echo(verify) + tiny + "Chip not locked\n" +
                            "OSCCAL0+3 inserted to CODE memory at 0x4 as part of LDI command\n"
                            "Chip serial number is 41\n" +
                            fuses + "Verifying CODE memory\n passed\n done (T)\n" + success);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(bench.get("sn.txt"), "41\n");

    // A failed write does: without an erase 0x40 cannot replace 0x29, nor 0x09 the 0xA5 of
    // the fixed bytes, but the chip holds part of the number and may pass for programmed.
    bench.put("sn.txt", "64\n");
    const std::vector<std::string> write = {"+tiny2313", "-w", "-v", "p.hex", "-C*SERNO2=8,sn.txt"};
    run = bench.quarnel(write);
    EXPECT_EQ(run.body, echo(write) + tiny + "Chip not locked\nChip serial number is 64\n" + fuses +
                            "Programming CODE memory\n done (T)\n"
                            "Verifying CODE memory\nfailed, 2 errors\n"
                            "  0x000008: file 40, chip 00\n  0x00000C: file 09, chip 01\n"
                            "CODE memory was not erased: programming cannot set bits the chip "
                            "has clear; -e erases it first\n done (T)\n"
                            "Serial number 64 stays used, the chip may hold it\n"
                            "\nReset pin released\n");
    EXPECT_EQ(run.status, 10);
    EXPECT_EQ(bench.get("sn.txt"), "65\n");
}

TEST(RunProduction, CalibrationIntoEepromIsLimited) {
    Bench bench("tiny2313", {"calibration=9A 55"});
    bench.put("d.hex", hex_text({{0, {0x11, 0x22, 0x33, 0x44}}}));
    const std::vector<std::string> args = {"+tiny2313", "-w", "-d", "d.hex", "-D*OSCCAL1=2,+200"};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" +
                            "Warning: corrected osccal value limited by 0xFF\n"
                            "OSCCAL1+200 inserted to DATA memory at 0x2 \n" +
                            tiny2313_fuses("Fuses ", 0x64, 0xDF, "9A 55") +
                            "Programming DATA memory\n done (T)\n" + success);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(range(bench.memory("eeprom"), 0, 4), (Bytes{0x11, 0x22, 0xFF, 0x44}));
}

TEST(RunProduction, EraseCounterCountsAndStartsAgain) {
    Bench bench("tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    struct Step {
        const char* counter;
        std::string before_erase;
        int written; // -1: nothing written
        Bytes stored;
    };
    const std::vector<Step> steps = {
        {"-n", "Number of erases not initialized\n", 1, {0x01, 0x00}},
        {"-n", "Read number of erases 1\n", 2, {0x02, 0x00}},
        {"-n65534",
         "Read number of erases 2\nNumber of erases forced to 65534\n",
         65534,
         {0xFE, 0xFF}},
        {"-n", "Read number of erases 65534\n", -1, {0xFF, 0xFF}},
        {"-n", "Number of erases not initialized\n", 1, {0x01, 0x00}},
    };
    for (const Step& step : steps) {
        const std::vector<std::string> args = {"+tiny2313", "-e", "-w", step.counter, "p.hex"};
        const std::string counter =
            step.written < 0 ? ""
                             : "Writing erase counter = " + std::to_string(step.written) +
                                   "\nProgramming CODE memory\n done (T)\n";
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" + step.before_erase +
                                "Device erased\n" + tiny + counter + tiny2313_fuses("Fuses ") +
                                "Programming CODE memory\n done (T)\n" + success)
            << step.written;
        EXPECT_EQ(run.status, 0);
        const Bytes flash = bench.memory("flash");
        EXPECT_EQ(range(flash, 2046, 2), step.stored) << step.written;
        EXPECT_EQ(range(flash, 0, program.size()), program);
    }
    // Without an erase the counter is only read.
    const BenchRun run = bench.quarnel({"+tiny2313", "-v", "-n", "p.hex"});
    EXPECT_EQ(run.body, echo({"+tiny2313", "-v", "-n", "p.hex"}) + tiny + "Chip not locked\n" +
                            "Read number of erases 1\n" + tiny2313_fuses("Fuses ") +
                            "Verifying CODE memory\n passed\n done (T)\n" + success);
    EXPECT_EQ(run.status, 0);
}

TEST(RunProduction, EepromKeptAcrossEraseOrRescuedToFile) {
    const Bytes data = {0x11, 0x22, 0x33};
    Bytes eeprom(128, 0xFF);
    std::copy(data.begin(), data.end(), eeprom.begin() + 0x10);
    {
        Bench bench("tiny2313");
        bench.load("eeprom", {{0x10, data}});
        bench.put("p.hex", hex_text({{0, program}}));
        const std::vector<std::string> args = {"+tiny2313", "-e-", "-w", "p.hex"};
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" +
                                "Saving EEPROM\nReading DATA memory\n.... done (T)\n"
                                "Device erased\n" +
                                tiny + tiny2313_fuses("Fuses ") +
                                "Restoring EEPROM\nProgramming DATA memory\n.... done (T)\n"
                                "Programming CODE memory\n done (T)\n" +
                                success);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(bench.memory("eeprom"), eeprom);
        EXPECT_EQ(range(bench.memory("flash"), 0, program.size()), program);
    }
    {
        // EESAVE programmed: the erase leaves the EEPROM, so the blank check fails.
        Bench bench("tiny2313", {"fuse_high=9F"});
        bench.load("eeprom", {{0x10, data}});
        bench.put("p.hex", hex_text({{0, program}}));
        const std::vector<std::string> args = {"+tiny2313", "-e-", "-b", "-w", "p.hex"};
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" +
                                "Saving EEPROM\nReading DATA memory\n.... done (T)\n"
                                "Device erased\n" +
                                tiny + tiny2313_fuses("Fuses ", 0x64, 0x9F) +
                                "Blank check\nCode: .... done (T)\n  blank\n"
                                "Data:  done (T)\nData not blank\n"
                                "EEPROM content saved to HEX-file \"(eeprom).sav\"\n"
                                "Reset pin released\n");
        EXPECT_EQ(run.status, 10);
        EXPECT_EQ(hex_bytes(bench.get("(eeprom).sav"), 128), eeprom);
        EXPECT_EQ(bench.memory("flash"), Bytes(2048, 0xFF));
    }
}

TEST(RunProduction, BreakWhileRestoringLeavesTheEepromCopy) {
    // The erase has cleared the chip's EEPROM; the copy in memory must not die with the run.
    const Bytes data = {0x11, 0x22, 0x33};
    Bench bench("tiny2313", {"busy_scale=2"});
    bench.load("eeprom", {{0x10, data}});
    const std::vector<std::string> args = {"+tiny2313", "-e-"};
    const std::string restoring =
        echo(args) + tiny + "Chip not locked\nSaving EEPROM\nReading DATA memory\n.... done (T)\n" +
        "Device erased\n" + tiny + tiny2313_fuses("Fuses ") +
        "Restoring EEPROM\nProgramming DATA memory\n";
    // The break goes once the restore has begun: the read's time takes at most six
    // characters where "T" stands. How many dots the restore prints by then varies.
    ProgramRun banner;
    banner.program = "quarnel";
    ProgramRun interrupt;
    interrupt.signal_after_output_bytes =
        static_cast<int>(run_program(banner).output.find("Command:") + restoring.size() + 5);
    interrupt.signal_number = SIGINT;
    const BenchRun run = bench.quarnel(args, interrupt);
    EXPECT_EQ(std::regex_replace(run.body, std::regex("memory\n\\.+\n"), "memory\n\n"),
              restoring + "\nTerminated by user (SIGINT)\n\n"
                          "EEPROM content saved to HEX-file \"(eeprom).sav\"\n\n"
                          "Reset pin released\n");
    EXPECT_EQ(run.status, 80);
    Bytes eeprom(128, 0xFF);
    std::copy(data.begin(), data.end(), eeprom.begin() + 0x10);
    EXPECT_EQ(hex_bytes(bench.get("(eeprom).sav"), 128), eeprom);
}

TEST(RunProduction, SerialFileThatCannotBeRewrittenKeepsItsNumber) {
    // A full disk: the next number cannot be stored, so the chip is left alone and
    // the number is offered to the next one.
    Bench bench("tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    bench.put("sn.txt", "41\n");
    const std::vector<std::string> args = {"+tiny2313", "-e", "-w", "p.hex", "-C*SERNO2=0,sn.txt"};
    const BenchRun run = bench.quarnel_shell("trap '' XFSZ; ulimit -f 0; exec \"$0\" \"$@\"", args);
    EXPECT_EQ(run.body, echo(args) + tiny + "Chip not locked\n" +
                            "Can't write sn.txt\nnext serial number is 41\nFile too large\n"
                            "Reset pin released\n"
                            // The stand-in cannot save the chip on that disk either.
                            "avrsim: can't write '" +
                            bench.file("chip.avr") + "'\n");
    EXPECT_EQ(run.status, 50);
    EXPECT_EQ(bench.get("sn.txt"), "41\n");
    EXPECT_EQ(bench.files(), (std::set<std::string>{"chip.avr", "p.hex", "sn.txt"}));
}

TEST(RunProduction, OddSerialFilesAreRefusedBeforeTheChipChanges) {
    struct Case {
        const char* content; // nullptr: a FIFO in the file's place
        const char* insert;
        const char* error;
        int status;
    };
    const char* unreadable = "Can't read sn.txt\n";
    const Case cases[] = {
        {"300\n", "-C*SERNO1=0,sn.txt", "Serial number 300 of sn.txt doesn't fit in 1 byte\n", 70},
        {"70000\n", "-C*SERNO2=0,sn.txt", "Serial number 70000 of sn.txt doesn't fit in 2 bytes\n",
         70},
        {"0x10\n", "-C*SERNO2=0,sn.txt", unreadable, 50},
        {"1e3\n", "-C*SERNO2=0,sn.txt", unreadable, 50},
        {"12abc\nbatch A\n", "-C*SERNO2=0,sn.txt", unreadable, 50},
        {"4294967296\n", "-C*SERNO4=0,sn.txt", unreadable, 50},
        {nullptr, "-C*SERNO2=0,sn.txt", "Can't open file 'sn.txt'\nNot a regular file\n", 70},
    };
    for (const Case& c : cases) {
        Bench bench("tiny2313");
        bench.put("p.hex", hex_text({{0, program}}));
        if (c.content != nullptr) {
            bench.put("sn.txt", c.content);
        } else {
            ASSERT_EQ(mkfifo(bench.file("sn.txt").c_str(), 0600), 0);
        }
        const std::vector<std::string> args = {"+tiny2313", "-e", "-w", "-v", "p.hex", c.insert};
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.body,
                  echo(args) + tiny + "Chip not locked\n" + c.error + "\nReset pin released\n")
            << c.insert;
        EXPECT_EQ(run.status, c.status) << c.insert;
        if (c.content != nullptr) {
            EXPECT_EQ(bench.get("sn.txt"), c.content);
        }
        EXPECT_EQ(bench.memory("flash"), Bytes(2048, 0xFF)) << c.insert;
    }

    // A number with leading zeros is that number; the lines after it stay.
    Bench bench("tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    bench.put("sn.txt", "0000000000000000042\nbatch A\n");
    const BenchRun run = bench.quarnel({"+tiny2313", "-e", "-w", "p.hex", "-C*SERNO1=0,sn.txt"});
    EXPECT_EQ(run.status, 0) << run.body;
    EXPECT_EQ(bench.get("sn.txt"), "43\nbatch A\n");
    EXPECT_EQ(bench.memory("flash")[0], 42);
}

TEST(RunProduction, FilesThatOnlyLookLikeTemporariesStay) {
    enum class kind { file, folder, fifo };
    for (const char* name : {".quarnel-999999-deadbeef.tmp", ".dorvik-999997-12345678.tmp"}) {
        for (const kind k : {kind::file, kind::folder, kind::fifo}) {
            Bench bench("tiny2313");
            bench.put("p.hex", hex_text({{0, program}}));
            bench.put("sn.txt", "41\n");
            const std::string decoy = bench.file(name);
            if (k == kind::file) {
                bench.put(name, "a user's notes\n");
            } else if (k == kind::folder) {
                ASSERT_EQ(mkdir(decoy.c_str(), 0700), 0);
            } else {
                ASSERT_EQ(mkfifo(decoy.c_str(), 0600), 0);
            }
            const BenchRun run =
                bench.quarnel({"+tiny2313", "-e", "-w", "p.hex", "-C*SERNO2=0,sn.txt"});
            EXPECT_EQ(run.status, 0) << name << "\n" << run.body;
            EXPECT_EQ(bench.get("sn.txt"), "42\n");
            EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(decoy))) << name;
            if (k == kind::file) {
                EXPECT_EQ(bench.get(name), "a user's notes\n");
            }
        }
    }
}

TEST(RunProduction, ABrokenRunLeavesTheNextOneTheEepromAndTheCount) {
    // tiny2313: the erase is write 1, the counter's page write 2, the 128 EEPROM bytes writes
    // 3 to 130, the program's two pages 131 and 132; the verify follows. Each signal comes
    // after the erase, the counter, amid the restore and amid the programming.
    Bytes eeprom(128);
    for (std::size_t i = 0; i < eeprom.size(); ++i) {
        eeprom[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const Bytes code(40, 0x5A);
    const std::vector<std::string> args = {"+tiny2313", "-e-", "-n", "-w", "-v", "p.hex"};
    for (const char* phase : {"1", "2", "70", "132"}) {
        for (const char* signal : {"KILL", "INT", "TERM"}) {
            const std::string trial = std::string(phase) + ":" + signal;
            Bench bench("tiny2313");
            bench.put("p.hex", hex_text({{0, code}}));
            bench.load("eeprom", {{0, eeprom}});
            bench.load("flash", {{0x7FE, {0x04, 0x00}}}); // erased four times before
            bench.set({"faults=signal=" + trial});
            const BenchRun broken = bench.quarnel(args);
            EXPECT_EQ(broken.status, std::string(signal) == "KILL" ? 128 + SIGKILL : 80) << trial;
            const BenchRun next = bench.quarnel(args);
            EXPECT_EQ(next.status, 0) << trial << "\n" << next.body;
            EXPECT_NE(next.body.find("Writing erase counter = 6\n"), std::string::npos)
                << trial << "\n"
                << next.body;
            EXPECT_EQ(bench.memory("eeprom"), eeprom) << trial;
            EXPECT_EQ(range(bench.memory("flash"), 0x7FE, 2), (Bytes{0x06, 0x00})) << trial;
            EXPECT_FALSE(bench.files().count("(eeprom).sav")) << trial;
        }
    }
}

TEST(RunProduction, ACopyOfAnotherChipStopsTheRunBeforeTheErase) {
    const Bytes eeprom(128, 0x42);
    const std::vector<std::string> args = {"+tiny2313", "-e-", "p.hex", "-w"};
    struct Case {
        const char* name;
        std::vector<std::string> chip; // what the second chip differs in
        const char* message;
        int status;
    };
    const Case cases[] = {
        {"other calibration",
         {"calibration=11 22"},
         "\"(eeprom).sav\" holds the EEPROM copy of another chip; this chip was not changed\n"
         "Put that chip back to restore it, or move \"(eeprom).sav\" away\n",
         30},
        {"own EEPROM changed",
         {"calibration=A7 9C"},
         "EEPROM differs from the copy in \"(eeprom).sav\"; the chip was not changed\n"
         "Write it back with -w -d \"(eeprom).sav\" if it is this chip's, or move it away\n",
         30},
    };
    for (const Case& c : cases) {
        Bench bench("tiny2313", {"faults=signal=1:KILL"});
        bench.put("p.hex", hex_text({{0, {0x01, 0x02}}}));
        bench.load("eeprom", {{0, eeprom}});
        EXPECT_EQ(bench.quarnel(args).status, 128 + SIGKILL) << c.name;
        const std::string copy = bench.get("(eeprom).sav");
        // Another chip in the socket, its EEPROM neither the copy nor erased.
        bench.set(c.chip);
        bench.load("eeprom", {{0, {0x99}}});
        bench.load("flash", {{0, {0x77}}});
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.status, c.status) << c.name;
        EXPECT_NE(run.body.find(c.message), std::string::npos) << c.name << "\n" << run.body;
        EXPECT_EQ(bench.memory("flash")[0], 0x77) << c.name << ": not erased";
        EXPECT_EQ(bench.get("(eeprom).sav"), copy) << c.name;
    }
}
