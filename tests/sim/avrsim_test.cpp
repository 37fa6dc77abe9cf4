// The avrsim tool run as a user runs it: create, change, show, write and read target files.
#include <gtest/gtest.h>

#include "sim/hex_records.h"
#include "sim/target_file.h"
#include "tests/support/run_program.h"

using namespace avrsim;

namespace {

using namespace std::string_literals;

ProgramResult avrsim(const std::vector<std::string>& args) {
    ProgramRun run;
    run.program = "avrsim";
    run.args = args;
    return run_program(run);
}

std::vector<std::uint8_t> hex_contents(const std::string& path, std::size_t size) {
    std::vector<std::uint8_t> memory(size, 0xFF);
    read_hex_into(path, memory);
    return memory;
}

TEST(Avrsim, FlashRoundTripThroughATargetFile) {
    TempDir dir;
    const std::string target = dir.file("t.txt");
    const std::string firmware = source_path("examples/firmware/blink-mega8.hex");
    ASSERT_EQ(avrsim({"new", target, "mega8"}).status, 0);
    ASSERT_EQ(avrsim({"write", target, "flash", firmware}).status, 0);
    ASSERT_EQ(avrsim({"read", target, "flash", dir.file("back.hex")}).status, 0);
    const std::vector<std::uint8_t> written = hex_contents(firmware, 8192);
    EXPECT_EQ(hex_contents(dir.file("back.hex"), 8192), written);
    EXPECT_EQ(load_target(target).chip.flash, written);
}

TEST(Avrsim, NewAndSetApplyKeysAndShowPrintsThem) {
    TempDir dir;
    const std::string target = dir.file("t.txt");
    ASSERT_EQ(avrsim({"new", target, "mega328P", "adapter=stk200", "clock=8MHz"}).status, 0);
    ASSERT_EQ(avrsim({"set", target, "fuse_low=E2",
                      "faults=slip=3,ignore_fuse_writes,signal=40:TERM", "calibration=9A"})
                  .status,
              0);
    const ProgramResult shown = avrsim({"show", target});
    EXPECT_EQ(shown.status, 0);
    for (const char* line :
         {"chip = mega328P\n", "adapter = stk200\n", "clock = 8000000\n", "fuse_low = E2\n",
          "faults = slip=3,ignore_fuse_writes,signal=40:TERM\n", "calibration = 9A\n",
          "signature = 1E950F\n", "flash = 32768 bytes, 0 not erased\n"}) {
        EXPECT_NE(shown.output.find(line), std::string::npos) << line << shown.output;
    }
}

TEST(Avrsim, BadInputIsAClearErrorAndLeavesTheFileAlone) {
    TempDir dir;
    const std::string target = dir.file("t.txt");
    ASSERT_EQ(avrsim({"new", target, "tiny85"}).status, 0);
    const std::string before = read_file(target);

    ProgramResult result = avrsim({"set", target, "adapter=lpt9"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "avrsim: unknown adapter 'lpt9'\n");
    result = avrsim({"set", target, "calibration=11"});
    EXPECT_EQ(result.output, "avrsim: calibration needs 2 byte(s) for this chip\n");
    result = avrsim({"set", target, "faults=signal=40:HUP"});
    EXPECT_EQ(result.output, "avrsim: signal=N:INT|TERM|KILL, not '40:HUP'\n");
    EXPECT_EQ(read_file(target), before);

    result = avrsim({"new", dir.file("x.txt"), "mega9"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "avrsim: unknown chip 'mega9'\n");

    write_file(dir.file("bad.hex"), ":10000000FFFF\n");
    result = avrsim({"write", target, "flash", dir.file("bad.hex")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(read_file(target), before);

    EXPECT_EQ(avrsim({}).status, 2);
    EXPECT_EQ(avrsim({"read", target, "fuses", dir.file("o.hex")}).status, 1);
}

TEST(Avrsim, DamagedTargetFilesNameTheLine) {
    TempDir dir;
    const std::string target = dir.file("t.txt");
    const std::pair<std::string, std::string> cases[] = {
        {"adapter = kelma\n", "t.txt:1: the first setting must be chip"},
        {"chip = mega8\nflash 1FF8 = 00 11 22 33 44 55 66 77 88\n",
         "t.txt:2: flash data at 1FF8 lies outside the memory"},
        {"chip = mega8\neeprom 0000 = 0G\n", "t.txt:2: '0G' is not a hex number"},
        {"chip = mega8\nclock\n", "t.txt:2: expected key = value"},
        {"chip = nochip\n", "t.txt:1: unknown chip 'nochip'"},
        {"", "t.txt: no chip named"},
        {"chip = mega8\nfaults = slip=40\n", "t.txt:2: '40' is not a number from 1 to 31"},
        // Cut off in the middle of a byte, or of a line.
        {"chip = mega8\nflash 0000 = 0C 94 3", "t.txt:2: '3' is not a two-digit hex byte"},
        {"chip = mega8\neeprom 0010 =", "t.txt:2: eeprom line at 0010 holds no bytes"},
        // Binary junk, with and without NUL bytes.
        {"chip = mega8\n\x7F"
         "ELF\x02\x01\n",
         "t.txt:2: binary data where text was expected"},
        {"chip = mega8\nlock = FF\0\0\x01\n"s, "t.txt:2: binary data where text was expected"},
        // Numbers too large for their fields, and wrong sizes.
        {"chip = mega8\nflash 100000000 = 00\n", "t.txt:2: '100000000' is not a hex number"},
        {"chip = mega8\nflash FFFFFFFF = 00\n", "t.txt:2: flash data at FFFFFFFF lies outside"},
        {"chip = mega8\nbusy_scale = 1e999\n", "t.txt:2: '1e999' is not a number above 0"},
        {"chip = mega8\nfaults = lose_step=99999999999999999999\n",
         "t.txt:2: '99999999999999999999' is not a number from 1 to 1000000000"},
        {"chip = mega8\nclock = nan\n", "t.txt:2: 'nan' is not a frequency"},
        {"chip = mega8\nclock = 0x10k\n", "t.txt:2: '0x10k' is not a frequency"},
        {"chip = mega8\nfuse_low = 100\n", "t.txt:2: '100' is not a hex byte"},
        {"chip = mega8\ncalibration = A7\n", "t.txt:2: calibration needs 4 byte(s)"},
    };
    for (const auto& [content, message] : cases) {
        write_file(target, content);
        const ProgramResult result = avrsim({"show", target});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
}

TEST(Avrsim, HelpListsTheKeys) {
    const ProgramResult result = avrsim({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* key : {"adapter=", "clock=", "busy_scale=", "port_cycle_us=", "faults=",
                            "lock=", "fuse_low=", "calibration=", "stats=", "port_direction="}) {
        EXPECT_NE(result.output.find(key), std::string::npos) << key;
    }
}

} // namespace
