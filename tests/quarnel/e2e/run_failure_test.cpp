// Runs that end early: wrong or protected chip, adapter key, user break, lost chip,
// failed writes of files, exhausted memory; each with its exit status.
#include "platform/locked_file.h"
#include "tests/quarnel/e2e/run_bench.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

const std::string tiny = connected("tiny2313|tiny2313A");
const std::string released = "Reset pin released\n";
const Bytes program = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

// Length of the banner as this build prints it.
std::size_t banner_length() {
    ProgramRun run;
    run.program = "quarnel";
    const std::string output = run_program(run).output;
    std::size_t end = 0;
    for (int line = 0; line < 4; ++line) {
        end = output.find('\n', end) + 1;
    }
    return end;
}

} // namespace

TEST(RunFailure, WrongChipStopsUnlessForced) {
    Bench bench("tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    const std::string mismatch =
        tiny + "Chip not locked\nRequested <mega8>, detected <tiny2313|tiny2313A>\n";
    BenchRun run = bench.quarnel({"+mega8", "-w", "p.hex"});
    EXPECT_EQ(run.body,
              echo({"+mega8", "-w", "p.hex"}) + mismatch + "Can't continue\n\n" + released);
    EXPECT_EQ(run.status, 30);
    EXPECT_EQ(bench.memory("flash"), Bytes(2048, 0xFF));

    // Forced, the run carries on with the requested row (its fuse layout, four
    // calibration reads) and programs the chip.
    run = bench.quarnel({"+mega8", "-!", "-w", "p.hex"});
    EXPECT_EQ(run.body, echo({"+mega8", "-!", "-w", "p.hex"}) + mismatch +
                            "Device type forced to mega8|mega8A\n" +
                            mega8_fuses("Fuses ", 0xFF, 0x64, 0xDF, "A7 9C FF FF") +
                            "Programming CODE memory\n done (T)\nTotal time T\n" + released);
    EXPECT_EQ(run.status, 0);
    Bytes flash(2048, 0xFF);
    std::copy(program.begin(), program.end(), flash.begin());
    EXPECT_EQ(bench.memory("flash"), flash);
}

TEST(RunFailure, ProtectedOldChipIsKnownOnlyAfterTheErase) {
    // A locked 90S2313 hides its signature: its EEPROM cannot be saved, but an erase
    // makes it known again, and the erase counter starts at 1.
    Bench bench("90S2313", {"lock=FC"});
    bench.put("p.hex", hex_text({{0, program}}));
    const std::string unknown =
        "Device connected, but not recognised, ID: 0x000102 (looks as protected)\n"
        "Lock state unknown\n";
    BenchRun run = bench.quarnel({"+90S2313", "-e-", "-w", "p.hex"});
    EXPECT_EQ(run.body, echo({"+90S2313", "-e-", "-w", "p.hex"}) + unknown +
                            "Can't save EEPROM in unknown chip\n\n" + released);
    EXPECT_EQ(run.status, 30);
    EXPECT_EQ(bench.setting("lock"), "FC");

    run = bench.quarnel({"+90S2313", "-e", "-n", "-w", "p.hex"});
    EXPECT_EQ(run.body, echo({"+90S2313", "-e", "-n", "-w", "p.hex"}) + unknown +
                            "Can't read number of erases from unknown or locked chip\n"
                            "Number of erases forced to 1\nDevice erased\n" +
                            connected("90S2313") +
                            "Writing erase counter = 1\nProgramming CODE memory\n done (T)\n"
                            "Programming CODE memory\n done (T)\nTotal time T\n" +
                            released);
    EXPECT_EQ(run.status, 0);
    Bytes flash(2048, 0xFF);
    std::copy(program.begin(), program.end(), flash.begin());
    flash[2046] = 0x01;
    flash[2047] = 0x00;
    EXPECT_EQ(bench.memory("flash"), flash);
}

TEST(RunFailure, AdapterWithPowerAndEnableLinesIsSwitchedOff) {
    const std::string lines = "mosi=D5:miso=ACK:sck=D6:reset=D4:power=D0,D1:enable=~D3";
    Bench bench("tiny2313", {"adapter=map:" + lines});
    bench.put("p.hex", hex_text({{0, program}}));
    const std::vector<std::string> args = {"+mega8", "-w", "p.hex", "-am:name=Bench:" + lines};
    const BenchRun run = bench.quarnel(args);
    EXPECT_EQ(run.body, echo(args) + "Adapter 'Bench'\nPower ON\nAdapter enabled\n" + tiny +
                            "Chip not locked\nRequested <mega8>, detected <tiny2313|tiny2313A>\n"
                            "Can't continue\n\n" +
                            released + "Adapter disabled\nPower OFF\n");
    EXPECT_EQ(run.status, 30);
}

TEST(RunFailure, MissingAdapterKey) {
    // -K asks before the files are read and the target is powered; -k after both.
    Bench bench("tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    const std::string no_key = "Key not defined for given adapter, can't process -k switch\n\n";
    struct Case {
        std::vector<std::string> args;
        std::string after_echo;
    };
    const std::vector<Case> cases = {
        {{"+tiny2313", "-K", "-w", "missing.hex"}, no_key},
        {{"+tiny2313", "-k", "-w", "missing.hex"},
         "Can't open file 'missing.hex'\nNo such file or directory\n"},
        {{"+tiny2313", "-k", "-w", "p.hex"}, no_key + released},
    };
    for (const Case& c : cases) {
        const BenchRun run = bench.quarnel(c.args);
        EXPECT_EQ(run.body, echo(c.args) + c.after_echo) << c.args[1] << " " << c.args[3];
        EXPECT_EQ(run.status, 70);
    }
}

TEST(RunFailure, UserBreakDuringProgramming) {
    // Page writes take about 0.3 s per dot: the break arrives long before the second.
    Bench bench("tiny2313", {"port_cycle_us=1"});
    Bytes image(2048);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i & 0x7F);
    }
    bench.put("p.hex", hex_text({{0, image}}));
    bench.put("sn.txt", "41\n");
    const std::vector<std::string> args = {"+tiny2313", "-e", "-w", "p.hex", "-C*SERNO2=8,sn.txt"};
    const std::string until_first_dot = echo(args) + tiny + "Chip not locked\n" +
                                        "Chip serial number is 41\nDevice erased\n" + tiny +
                                        tiny2313_fuses("Fuses ") + "Programming CODE memory\n.";
    ProgramRun interrupt;
    interrupt.signal_after_output_bytes =
        static_cast<int>(banner_length() + until_first_dot.size());
    interrupt.signal_number = SIGINT;
    const BenchRun run = bench.quarnel(args, interrupt);
    // The number's page is written by then: the chip may hold it.
    EXPECT_EQ(run.body, until_first_dot + "\nTerminated by user (SIGINT)\n\n" +
                            "Serial number 41 stays used, the chip may hold it\n\n" + released);
    EXPECT_EQ(run.status, 80);
    EXPECT_EQ(bench.get("sn.txt"), "42\n");
    EXPECT_EQ(bench.files(), (std::set<std::string>{"chip.avr", "p.hex", "sn.txt"}));
}

TEST(RunFailure, TerminatedWhileWaitingForTheKey) {
    // The stand-in never presses the key; -K waits before power-up, -k after it.
    Bench bench("tiny2313");
    bench.put("p.hex", hex_text({{0, program}}));
    for (const std::string wait : {"-K", "-k"}) {
        const std::vector<std::string> args = {
            "+tiny2313", wait, "-w", "p.hex",
            "-am:name=Key:mosi=D5:miso=ACK:sck=D6:reset=D4:key=BUSY"};
        const BenchRun run =
            bench.quarnel_shell("\"$0\" \"$@\" & sleep 0.5; kill -TERM $!; wait $!", args);
        EXPECT_EQ(run.body, echo(args) + "Adapter 'Key'\nPress ADAPTER KEY for continue.\n" +
                                "\nTerminated by user (SIGTERM)\n\n\n" +
                                (wait == "-k" ? released : ""))
            << wait;
        EXPECT_EQ(run.status, 80) << wait;
    }
}

TEST(RunFailure, LostChip) {
    struct Case {
        const char* faults;
        std::string after_echo;
    };
    const std::vector<Case> cases = {
        {"faults=absent", "Can't resync\n\n"},
        {"faults=lose_step=12", tiny + "Chip not locked\n" + tiny2313_fuses("Fuses ") +
                                    "Programming CODE memory\n\nSynchronisation lost\n\n"},
    };
    for (const Case& c : cases) {
        Bench bench("tiny2313", {c.faults});
        bench.put("p.hex", hex_text({{0, program}}));
        const BenchRun run = bench.quarnel({"+tiny2313", "-w", "p.hex"});
        EXPECT_EQ(run.body, echo({"+tiny2313", "-w", "p.hex"}) + c.after_echo + released)
            << c.faults;
        EXPECT_EQ(run.status, 40) << c.faults;
    }
}

TEST(RunFailure, FileThatCannotBeWritten) {
    Bench bench("tiny2313");
    bench.load("flash", {{0x100, program}});
    const std::string read = tiny + "Chip not locked\n" + tiny2313_fuses("Fuses ") +
                             "Reading CODE memory\n.... done (T)\n";
    BenchRun run = bench.quarnel({"+tiny2313", "-r", "/dev/full"});
    EXPECT_EQ(run.body, echo({"+tiny2313", "-r", "/dev/full"}) + read +
                            "/dev/full - write error\n\n" + released);
    EXPECT_EQ(run.status, 70);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));

    // A disk that fills up: the user's file stays as it was, nothing is left behind.
    bench.put("old.hex", "keep\n");
    run = bench.quarnel_shell("trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"",
                              {"+tiny2313", "-r+", "old.hex"});
    EXPECT_EQ(run.body, echo({"+tiny2313", "-r+", "old.hex"}) + read + "old.hex - write error\n\n" +
                            released);
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(bench.get("old.hex"), "keep\n");
    EXPECT_EQ(bench.files(), (std::set<std::string>{"chip.avr", "old.hex"}));
}

TEST(RunFailure, MemoryExhausted) {
    Bench bench("tiny2313");
    write_file(bench.file("big.bin"), "");
    std::filesystem::resize_file(bench.file("big.bin"), 64 << 20);
    const std::vector<std::string> args = {"+tiny2313", "-w", ":bin:big.bin"};
    const BenchRun run = bench.quarnel_shell("ulimit -v 40000; exec \"$0\" \"$@\"", args);
    if (run.body.find("Sanitizer") != std::string::npos) {
        GTEST_SKIP() << "a sanitizer needs more address space than the limit";
    }
    EXPECT_EQ(run.body, echo(args) + "Can't allocate memory\n");
    EXPECT_EQ(run.status, 60);
}

TEST(RunFailure, FilesWithoutChipNameOnlyForTheDeviceListing) {
    Bench bench("tiny2313", {"ftdi=ft2232h"});
    bench.put("p.hex", hex_text({{0, program}}));
    ProgramRun ftdi;
    ftdi.env["FTD2XX_LIBRARY"] = bin_path("libavrsim_ftd2xx.so");
    BenchRun run = bench.quarnel({"-aft2232h", "-p?", "-w", "p.hex"}, ftdi);
    EXPECT_EQ(run.body, echo({"-aft2232h", "-p?", "-w", "p.hex"}) +
                            "2 FTDI devices detected\n"
                            " 0: FT_DEVICE_2232H (0x6) - \"Dual RS232-HS A\", serno \"AVRSIM01A\"\n"
                            " 1: FT_DEVICE_2232H (0x6) - \"Dual RS232-HS B\", serno \"AVRSIM01B\"\n"
                            "\n");
    EXPECT_EQ(run.status, 0);
    run = bench.quarnel({"-p?", "-w", "p.hex"});
    EXPECT_EQ(run.body, echo({"-p?", "-w", "p.hex"}) + "Invalid value for switch -p\n\n");
    EXPECT_EQ(run.status, 70);
}

TEST(RunFailure, DataAtTheTopOfTheAddressRangeIsRefused) {
    // Each file holds one byte at the end of the 32-bit range, after an extended
    // linear address record; none may reach the chip, as flash or as EEPROM.
    struct Case {
        const char* lines;
        std::vector<std::string> args;
        std::string error;
    };
    const std::string top_of_int32 = ":020000047FFF7C\n:01FFFF00A55C\n:00000001FF\n";
    const std::vector<Case> cases = {
        {top_of_int32.c_str(),
         {"-w", "-v", "top.hex"},
         "Can't fit data part of input file in DATA memory\n"},
        {top_of_int32.c_str(), {"-w", "-v", "-d", "top.hex"}, "Can't fit top.hex in DATA memory\n"},
        {":0200000480007A\n:01000000A55A\n:00000001FF\n",
         {"-w", "-v", "top.hex"},
         "Invalid HEX line\n':01000000A55A'\n"},
        {":02000004FFFFFC\n:01FFFF00A55C\n:00000001FF\n",
         {"-w", "-v", "top.hex"},
         "Invalid HEX line\n':01FFFF00A55C'\n"},
    };
    for (const Case& c : cases) {
        Bench bench("mega8");
        bench.put("top.hex", c.lines);
        std::vector<std::string> args = {"+mega8"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.status, 50) << c.lines;
        EXPECT_NE(run.body.find(c.error), std::string::npos) << run.body;
        EXPECT_EQ(run.body.find("passed"), std::string::npos) << run.body;
        EXPECT_EQ(bench.memory("flash"), Bytes(8192, 0xFF));
        EXPECT_EQ(bench.memory("eeprom"), Bytes(512, 0xFF));
    }
}

TEST(RunFailure, ABinaryFileGivenAsHexShowsNoRawBytes) {
    // Every byte value, in lines longer than any terminal, and no line end for 4 KB.
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>(i % 256 == '\n' ? 0x1B : i % 256);
    }
    Bench bench("mega8");
    bench.put("flash.bin", binary + "\n" + binary);
    const BenchRun run = bench.quarnel({"+mega8", "-e", "-w", "-v", "flash.bin"});
    EXPECT_EQ(run.status, 50);
    EXPECT_NE(run.body.find("Invalid HEX line\n'\\x00\\x01"), std::string::npos) << run.body;
    EXPECT_NE(run.body.find("prefix :bin:, an ELF file :elf:\n"), std::string::npos) << run.body;
    std::size_t line_length = 0;
    for (const char c : run.body) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE((byte >= 0x20 && byte < 0x7F) || c == '\t' || c == '\r' || c == '\n')
            << static_cast<int>(byte);
        line_length = c == '\n' ? 0 : line_length + 1;
        EXPECT_LE(line_length, 200u);
    }
    EXPECT_EQ(bench.memory("flash"), Bytes(8192, 0xFF));
}

TEST(RunFailure, EveryFailureReleasesTheChipAndGivesBackOnlyANumberNeverWritten) {
    struct Case {
        const char* name;
        std::vector<std::string> settings; // of the chip
        std::string signal_after;          // the break comes once this text is printed
        int signal_number;
        const char* ending; // what the run prints last, before the release
        int status;
        const char* file_after;
    };
    const std::string inserted = "Chip not locked\nChip serial number is 41\n";
    const char* kept = "Serial number 41 stays used, the chip may hold it\n";
    const std::vector<Case> cases = {
        {"step lost", {"faults=lose_step=20"}, "", 0, "\nSynchronisation lost\n", 40, "42\n"},
        {"write never ends",
         {"faults=never_finish"},
         "",
         0,
         "failed, 6 errors\n  0x000000: file 29, chip FF\n  0x000001: file 00, chip FF\n"
         "  0x000002: file 03, chip FF\n  0x000003: file 04, chip FF\n"
         "  0x000004: file 05, chip FF\n  0x000005: file 06, chip FF\n done (T)\n",
         10,
         "42\n"},
        {"SIGHUP after the insert", {}, inserted, SIGHUP, "(SIGHUP)\n\n", 80, "41\n"},
        // The stand-in raises these the moment the erase or the page write is made.
        {"SIGTERM after the erase", {"faults=signal=1:TERM"}, "", 0, "(SIGTERM)\n\n", 80, "41\n"},
        {"SIGINT after the page write", {"faults=signal=2:INT"}, "", 0, "(SIGINT)\n\n", 80, "42\n"},
        {"SIGTERM after the page write",
         {"faults=signal=2:TERM"},
         "",
         0,
         "(SIGTERM)\n\n",
         80,
         "42\n"},
    };
    for (const Case& c : cases) {
        Bench bench("tiny2313", c.settings);
        bench.put("p.hex", hex_text({{0, program}}));
        bench.put("sn.txt", "41\n");
        const std::vector<std::string> args = {"+tiny2313", "-e",    "-w",
                                               "-v",        "p.hex", "-C*SERNO2=0,sn.txt"};
        ProgramRun run;
        if (c.signal_number != 0) {
            run.signal_after_output_bytes = static_cast<int>(banner_length() + echo(args).size() +
                                                             tiny.size() + c.signal_after.size());
            run.signal_number = c.signal_number;
        }
        const BenchRun result = bench.quarnel(args, run);
        const bool on_chip = std::string(c.file_after) == "42\n";
        const std::string ending = std::string(c.ending) + (on_chip ? kept : "") + "\n" + released;
        EXPECT_TRUE(result.body.ends_with(ending)) << c.name << "\n" << result.body;
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(bench.get("sn.txt"), c.file_after) << c.name;
        EXPECT_EQ(bench.files(), (std::set<std::string>{"chip.avr", "p.hex", "sn.txt"})) << c.name;
    }
}

TEST(RunFailure, AHeldSerialFileIsNamedAndABreakEndsTheWait) {
    for (const int signal_number : {SIGINT, SIGTERM}) {
        Bench bench("tiny2313");
        bench.put("p.hex", hex_text({{0, program}}));
        bench.put("sn.txt", "41\n");
        platform::locked_file_t holder; // another program holds the file
        ASSERT_EQ(holder.lock(bench.file("sn.txt")), platform::lock_result::locked);
        const std::vector<std::string> args = {"+tiny2313", "-e",    "-w",
                                               "-v",        "p.hex", "-C*SERNO2=0,sn.txt"};
        const std::string waiting =
            "Chip not locked\nSerial number file 'sn.txt' is held by another program, waiting\n";
        ProgramRun run;
        run.signal_after_output_bytes =
            static_cast<int>(banner_length() + echo(args).size() + tiny.size() + waiting.size());
        run.signal_number = signal_number;
        const BenchRun result = bench.quarnel(args, run);
        const std::string name = signal_number == SIGINT ? "SIGINT" : "SIGTERM";
        EXPECT_EQ(result.body, echo(args) + tiny + waiting + "\nTerminated by user (" + name +
                                   ")\n\n\nReset pin released\n");
        EXPECT_EQ(result.status, 80);
        EXPECT_EQ(bench.get("sn.txt"), "41\n");
        EXPECT_EQ(bench.memory("flash"), Bytes(2048, 0xFF));
    }
}

TEST(RunFailure, FilesThatCannotFitAreRefusedBeforeTheErase) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {"a HEX file spanning 3 MB",
         ":0100000001FE\n:02000004002FCB\n:01FFF000020E\n:00000001FF\n",
         {"-c", "f"}},
        {"a binary of 200 KB", std::string(200 * 1024, '\x11'), {"-c", ":bin:f"}},
        {"a byte at 0x7FFFFFFF", ":020000047FFF7C\n:01FFFF00A55C\n:00000001FF\n", {"-d", "f"}},
        {"1,808 bytes too many", std::string(2048 + 128 + 1808, '\x22'), {":bin:f"}},
    };
    for (const Case& c : cases) {
        Bench bench("tiny2313");
        bench.load("flash", {{0, {0x77}}});
        bench.put("f", c.content);
        std::vector<std::string> args = {"+tiny2313", "-e-", "-n", "-w"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const BenchRun run = bench.quarnel(args);
        EXPECT_EQ(run.status, 50) << c.name << "\n" << run.body;
        EXPECT_NE(run.body.find("Can't fit "), std::string::npos) << c.name << "\n" << run.body;
        EXPECT_EQ(run.body.find("Device erased"), std::string::npos) << c.name;
        EXPECT_EQ(bench.memory("flash")[0], 0x77) << c.name << ": the chip was not erased";
        EXPECT_FALSE(bench.files().count("(eeprom).sav")) << c.name;
    }
}
