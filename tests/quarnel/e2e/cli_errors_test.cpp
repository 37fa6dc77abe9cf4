// Every command-line mistake quarnel rejects: exact text, empty closing line, status 70.
#include "tests/quarnel/e2e/cli_support.h"

#include <gtest/gtest.h>

namespace {

struct Rejection {
    std::vector<std::string> args;
    std::string message;
};

const std::string short_help = "For short help type\n\tquarnel -h\n";

std::string invalid_value(const std::string& text, char letter) {
    return "Invalid value '" + text + "' for switch " + letter + "\n\n" + short_help;
}

void expect_rejections(const std::vector<Rejection>& cases) {
    for (const auto& [args, message] : cases) {
        const CliRun run = run_quarnel(args);
        EXPECT_EQ(banner_problem(run.banner), "");
        EXPECT_EQ(run.body, command_echo(args) + message + "\n") << args.back();
        EXPECT_EQ(run.status, 70) << args.back();
    }
}

} // namespace

TEST(CliErrors, SwitchSyntax) {
    expect_rejections({
        {{"+"}, "Chip name required for '+'\n"},
        {{"+ATmega99"}, "Unsupported device mega99\n"},
        {{"-x"}, "Invalid switch x\n" + short_help},
        {{"--bogus"}, "Unknown option '--bogus'\n" + short_help},
        {{"+mega8", "--version"}, "Unknown option '--version'\n" + short_help},
        {{"--"}, "Invalid switch -\n" + short_help},
        {{"+mega8", "-wv"}, invalid_value("v", 'w')},
        {{"-l"}, invalid_value("", 'l')},
        {{"-l3"}, invalid_value("3", 'l')},
        {{"-n0"}, invalid_value("0", 'n')},
        {{"-n65535"}, invalid_value("65535", 'n')},
        {{"-ar"},
         "-ar switch not supported now, use adapter configuration file for inverted reset\n"},
        {{"-aix"}, "Value required for switch '-ai'\n"},
        {{"-fSUT=1", "-FCKSEL=1"},
         "Only one -F switch can be used, place all fuses in one switch\n"},
        {{"-o8GHz"}, invalid_value("8GHz", 'o')},
        {{"-o500Hz"}, "-o: OSC frequency must be 0 or from 1kHz to 40MHz\n"},
        {{"-o8MHz,2"}, "-o: divider can be used only with -o0 form of the switch\n"},
    });
}

TEST(CliErrors, FilesAndProductionData) {
    expect_rejections({
        {{"-c"}, "File name required for -c\n"},
        {{":hex:a.hex"}, "Invalid file type :hex:a.hex\n"},
        {{":ihex:"}, "File name required: ':ihex:'\n"},
        {{"-c", "a.hex", "-c", "b.hex"}, "Can't use two files for CODE memory\n'a.hex'\n'b.hex'\n"},
        {{"a.hex", "b.eep", "c.hex"}, "Too many files\n"},
        {{"-C*BYTES2=10,A55"}, "Invalid HEX file switch extension '-C*BYTES2=10,A55'\n"},
        {{"-D?SERNO4=10,sn.txt"}, "Invalid HEX file switch extension '-D?SERNO4=10,sn.txt'\n"},
        {{"-C*OSCCAL=10", "-C?OSCCAL=20"},
         "Can't handle two specail code/data commands of one type\n"},
    });
}

TEST(CliErrors, ValidityRules) {
    expect_rejections({
        {{"-e"}, "Chip name must be specified\n"},
        {{"+mega8", "-w", "-f_EXT=FF"}, "Fuse byte '_EXT' not exist in mega8|mega8A\n"},
        {{"+mega8", "-rw", "a.hex"}, "Can't both read and write or verify\n"},
        {{"+mega8", "-r"}, "Can't read without target files\n"},
        {{"+mega8", "-v"}, "Can't write/verify without source files or fuse list\n"},
        {{"+mega8", "-e", "a.hex"}, "Nothing to do with files, -r or -w or -v must be specified\n"},
        {{"+mega8", "-w", "a.hex", "-d", "a.hex"},
         "The same file selected for both code and data\n"},
        {{"+mega8", "-e", "-fSUT=1"}, "Nothing to do with fuses, -w or -v must be specified\n"},
        {{"+mega8", "-w", "--file-fuses", "-fSUT=1", "a.elf"},
         "--file-fuses can't be used with -f\n"},
        {{"+mega8", "-w", "--file-lock", "-l1", "a.elf"}, "--file-lock can't be used with -l\n"},
        {{"+mega8", "-e", "--file-lock"}, "Nothing to do with fuses, -w or -v must be specified\n"},
        {{"+mega8", "-r", ":elf:a.elf"},
         "Can't write ELF files, use :ihex:, :bin: or :srec: for a.elf\n"},
    });
}

TEST(CliErrors, EchoQuotesArgumentsWithBlanks) {
    const std::vector<std::string> args = {"+mega8", "my file.hex", "tab\there"};
    const CliRun run = run_quarnel(args);
    EXPECT_EQ(run.body, "Command:\n  +mega8 \"my file.hex\" \"tab\there\"\n"
                        "Nothing to do with files, -r or -w or -v must be specified\n\n");
    EXPECT_EQ(run.status, 70);
}
