// Pin-map entries, inline and file forms, defaults and the checks on a map.
#include "quarnel/adapters/pinmap.h"
#include "quarnel/adapters/pinmap_parser.h"

#include "quarnel/adapters/lpt/lpt_pins.h"
#include "quarnel/common/console.h"
#include "quarnel/common/files.h"
#include "tests/quarnel/adapters/captured.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace quarnel;

namespace {

pinmap_t parsed(const std::string& text) {
    pinmap_t map;
    const Captured run = captured([&] { parse_pinmap(map, text.c_str(), lpt_pin_table); });
    EXPECT_EQ(run.status, 0) << text << "\n" << run.output;
    EXPECT_EQ(run.output, "") << text;
    return map;
}

// Output of a pin map that must be refused with status 70.
std::string refused(const std::string& text) {
    pinmap_t map;
    const Captured run = captured([&] { parse_pinmap(map, text.c_str(), lpt_pin_table); });
    EXPECT_EQ(run.status, 70) << text;
    return run.output;
}

} // namespace

TEST(PinmapEntry, NamesCompareWithoutRegardToCase) {
    EXPECT_EQ(parsed("m:mosi=d5")[SIG_MOSI].normal, LPT_D5);
    EXPECT_EQ(parsed("m:MOSI=D5")[SIG_MOSI].normal, LPT_D5);
    EXPECT_EQ(parsed("m: Reset = ~d4 ")[SIG_RESET].inverted, LPT_D4);
}

TEST(PinmapEntry, TildeAndHardwareInversionGiveTheRegisterPolarity) {
    const pinmap_t plain = parsed("m:key=BUSY");
    EXPECT_EQ(plain[SIG_KEY].normal, 0u);
    EXPECT_EQ(plain[SIG_KEY].inverted, LPT_BUSY);
    const pinmap_t marked = parsed("m:key=~BUSY");
    EXPECT_EQ(marked[SIG_KEY].normal, LPT_BUSY);
    EXPECT_EQ(marked[SIG_KEY].inverted, 0u);
    const pinmap_t control = parsed("m:enable=~D3,STROBE,INIT");
    EXPECT_EQ(control[SIG_ENABLE].normal, LPT_INIT);
    EXPECT_EQ(control[SIG_ENABLE].inverted, LPT_D3 | LPT_STROBE);
}

TEST(PinmapEntry, ExampleAdapterParsesWhole) {
    const pinmap_t map = parsed("m:name=My adapter:mosi=D5:miso=ACK:sck=D6:reset=D4:"
                                "power=D0,D1,D2,D7:enable=~D3:key=~BUSY");
    EXPECT_STREQ(map.name, "My adapter");
    EXPECT_EQ(map[SIG_MISO].normal, LPT_ACK);
    EXPECT_EQ(map[SIG_SCK].normal, LPT_D6);
    EXPECT_EQ(map[SIG_POWER].normal, 0x87u);
    EXPECT_EQ(map[SIG_ENABLE].inverted, LPT_D3);
    EXPECT_FALSE(map[SIG_XTAL].present());
}

TEST(PinmapEntry, EveryRefusalHasItsMessage) {
    EXPECT_EQ(refused("m:miso=D0"), "adapter: can't use output pin 'D0' for input signal 'miso'\n");
    EXPECT_EQ(refused("m:mosi=ACK"),
              "adapter: can't use input pin 'ACK' for output signal 'mosi'\n");
    EXPECT_EQ(refused("m:sck=D6,D7"), "adapter: can't use multiply pins for signal 'sck'\n");
    EXPECT_EQ(refused("m:sck=D5:mosi=d5"),
              "adapter: can't use 'd5' for 'mosi' - already used for 'sck'\n");
    EXPECT_EQ(refused("m:power=D0,~D0"),
              "adapter: can't use 'D0' for 'power' - already used for 'power'\n");
    EXPECT_EQ(refused("m:name=a:Name=b"), "adapter: duplicate keyword 'name'\n");
    EXPECT_EQ(refused("m:sck=D5:SCK=D6"), "adapter: duplicate signal name 'SCK'\n");
    EXPECT_EQ(refused("m:clock=D5"), "adapter: invalid signal name 'clock'\n");
    EXPECT_EQ(refused("m:sck=D9"), "adapter: invalid pin name 'D9'\n");
    EXPECT_EQ(refused("m:sck=~ D5"), "adapter: invalid pin name ' D5'\n");
    EXPECT_EQ(refused("m:sck=D5,"), "adapter: invalid pin name ''\n");
    EXPECT_EQ(refused("m:sck="), "adapter: invalid string 'sck='\n");
    EXPECT_EQ(refused("m:sck"), "adapter: invalid string 'sck'\n");
    EXPECT_EQ(refused(":"), "Invalid adapter switch ':'\n");
    EXPECT_EQ(refused("m="), "Invalid adapter switch 'm='\n");
}

TEST(PinmapEntry, SeveralLinesOnlyWhereAllowed) {
    EXPECT_EQ(parsed("m:power=D6,D7")[SIG_POWER].normal, LPT_D6 | LPT_D7);
    EXPECT_EQ(parsed("m:led_ok=D0,~D1")[SIG_LED_OK].inverted, LPT_D1);
}

TEST(PinmapEntry, NameIsTrimmedAndCutTo39Characters) {
    const std::string long_name(45, 'n');
    const pinmap_t map = parsed("m:name=  " + long_name + "  :sck=D1");
    EXPECT_EQ(std::string(map.name), std::string(39, 'n'));
    EXPECT_EQ(map[SIG_SCK].normal, LPT_D1);
}

TEST(PinmapText, WithoutMarkLeavesTheMapUnchangedAndEmptyPiecesAreSkipped) {
    pinmap_t map;
    map[SIG_SCK].normal = LPT_D1;
    const Captured run = captured([&] { parse_pinmap(map, "m", lpt_pin_table); });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(map[SIG_SCK].normal, LPT_D1);
    EXPECT_EQ(parsed("m:::sck=D2::")[SIG_SCK].normal, LPT_D2);
}

TEST(PinmapText, InlineEntryIsCutTo511Characters) {
    // The name value is cut first to the entry length, then to 39 characters.
    const std::string entry = "name=" + std::string(600, 'x');
    EXPECT_EQ(std::string(parsed("m:" + entry).name), std::string(39, 'x'));
    // Cut after the comma: the pin left over is empty.
    EXPECT_EQ(refused("m:sck=D1," + std::string(520, ' ') + "D2"),
              "adapter: invalid pin name ''\n");
}

class PinmapFile : public ::testing::Test {
  protected:
    void SetUp() override { unsetenv("QUARNEL_CONFIG_PATH"); }
    void TearDown() override {
        unsetenv("QUARNEL_CONFIG_PATH");
        console.verbosity = 2;
    }
    TempDir dir;
};

TEST_F(PinmapFile, LinesLoseCommentsAndTrailingBlanks) {
    write_file(dir.file("my.cfg"), "# my adapter\n"
                                   "name = Bench adapter ; comment\n"
                                   "\n"
                                   "sck = D6   # clock; more\n"
                                   "mosi=D5;\n"
                                   "   \t\n"
                                   "reset=D4\r\n"
                                   "miso=~ACK\n");
    const pinmap_t map = parsed("m=" + dir.file("my.cfg"));
    EXPECT_STREQ(map.name, "Bench adapter");
    EXPECT_EQ(map[SIG_SCK].normal, LPT_D6);
    EXPECT_EQ(map[SIG_MOSI].normal, LPT_D5);
    EXPECT_EQ(map[SIG_RESET].normal, LPT_D4);
    EXPECT_EQ(map[SIG_MISO].inverted, LPT_ACK);
}

TEST_F(PinmapFile, FoundThroughTheConfigPathAndTracedAtLevel3) {
    write_file(dir.file("bench.cfg"), "sck=D6\n");
    setenv("QUARNEL_CONFIG_PATH", ("/nonexistent;" + dir.path()).c_str(), 1);
    console.verbosity = 3;
    pinmap_t map;
    const Captured run = captured([&] { parse_pinmap(map, "m=bench.cfg", lpt_pin_table); });
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("\t% loading config file '" + dir.file("bench.cfg") + "'\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(map[SIG_SCK].normal, LPT_D6);
}

TEST_F(PinmapFile, MissingFileAndBadLineAreRefused) {
    // A missing file names every place it was looked for, in the order of the search.
    setenv("QUARNEL_CONFIG_PATH", ("/nonexistent;" + dir.path()).c_str(), 1);
    EXPECT_EQ(refused("m=no-such-adapter.cfg"),
              "File 'no-such-adapter.cfg' not found\nLooked for in:\n  . (current directory)\n"
              "  /nonexistent (QUARNEL_CONFIG_PATH)\n  " +
                  dir.path() + " (QUARNEL_CONFIG_PATH)\n  " + program_directory().value() +
                  " (program directory)\n");
    EXPECT_EQ(refused("m=" + dir.file("absent.cfg")),
              "File '" + dir.file("absent.cfg") +
                  "' not found\nLooked for at that path only (a name with a directory is not "
                  "searched for)\n");
    write_file(dir.file("bad.cfg"), "sck=D6\nsck D5\n");
    EXPECT_EQ(refused("m=" + dir.file("bad.cfg")), "adapter: invalid string 'sck D5'\n");
}

TEST_F(PinmapFile, OverlongLineIsNotSilentlyTruncated) {
    write_file(dir.file("long.cfg"), "sck=D6" + std::string(600, ' ') + "x\n");
    // The line is read in pieces of 511 characters; the second piece is an entry, shown cut.
    EXPECT_EQ(refused("m=" + dir.file("long.cfg")),
              "adapter: invalid string '" + std::string(80, ' ') + "...'\n");
}

TEST_F(PinmapFile, BytesOfTheFileAreShownEscaped) {
    const struct {
        std::string line;
        std::string message;
    } cases[] = {
        {"sck\x1b[2J", "adapter: invalid string 'sck\\x1B[2J'\n"},
        {"clo\x01ock=D5", "adapter: invalid signal name 'clo\\x01ock'\n"},
        {"sck=D\xc3\xa9", "adapter: invalid pin name 'D\\xC3\\xA9'\n"},
        {"sck=D5\nSC\x7fK=D6", "adapter: invalid signal name 'SC\\x7FK'\n"},
        {"sck=D5\nmo\tsi=D5", "adapter: invalid signal name 'mo\\x09si'\n"},
        {std::string(100, 'k') + "=D5",
         "adapter: invalid signal name '" + std::string(80, 'k') + "...'\n"},
    };
    for (const auto& c : cases) {
        write_file(dir.file("odd.cfg"), c.line + "\n");
        EXPECT_EQ(refused("m=" + dir.file("odd.cfg")), c.message) << c.line;
    }
    write_file(dir.file("named.cfg"), "name=Bench\x1b[1mX\x07\nsck=D6\n");
    EXPECT_STREQ(parsed("m=" + dir.file("named.cfg")).name, "Bench\\x1B[1mX\\x07");
}

TEST(PinmapChecks, RequireDefinedAndWithinNameTheFirstOffender) {
    pinmap_t map = parsed("m:mosi=D5:sck=INIT:reset=D4");
    Captured run = captured([&] {
        require_defined(map, {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_MISO});
    });
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "miso must be defined\n");
    run = captured([&] {
        require_within(map, {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_XTAL}, LPT_DATA_LINES,
                       "D0..D7 lines");
    });
    EXPECT_EQ(run.status, 70);
    EXPECT_EQ(run.output, "sck must be in D0..D7 lines\n");
    map = parsed("m:mosi=D5:sck=D6:reset=D4:miso=ACK");
    run = captured([&] {
        require_defined(map, {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_MISO});
        require_within(map, {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_XTAL}, LPT_DATA_LINES, "x");
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "");
}

TEST(PinmapChecks, FillDefaultsTakesOnlyWhatIsMissing) {
    pinmap_t defaults = parsed("m:name=Default:mosi=D1:sck=D0:reset=D4");
    pinmap_t map = parsed("m:sck=D6");
    fill_defaults(map, defaults);
    EXPECT_STREQ(map.name, "Default");
    EXPECT_EQ(map[SIG_SCK].normal, LPT_D6);
    EXPECT_EQ(map[SIG_MOSI].normal, LPT_D1);
    EXPECT_EQ(map[SIG_RESET].normal, LPT_D4);
    pinmap_t named = parsed("m:name=Mine");
    fill_defaults(named, defaults);
    EXPECT_STREQ(named.name, "Mine");
    clear(named);
    EXPECT_STREQ(named.name, "");
    EXPECT_FALSE(named[SIG_MOSI].present());
}
