// End-to-end runs of dorvik: usage, port address, probe and command-line rules.
#include "tests/dorvik/dorvik_bench_run.h"
#include "tests/support/golden_text.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

constexpr int STATUS_ERROR = 255; // -1 as a POSIX exit status

} // namespace

TEST(DorvikE2e, UsageWithoutArgumentsOrWithHelpLeavesThePortAlone) {
    DorvikFolder folder(nullptr); // no dorvik.ini either: nothing may be read
    const std::string usage = golden_text("dorvik/help.txt");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"-h"}, {"-help"}, {"--help"}, {"--version"}}) {
        const ProgramResult r = folder.run_on_empty_port(args);
        EXPECT_EQ(r.status, 0);
        // --version: the first usage line without its indent
        EXPECT_EQ(r.output, args == std::vector<std::string>{"--version"}
                                ? usage.substr(2, usage.find('\n') - 1)
                                : usage);
        EXPECT_EQ(folder.recorded_port(), "");
    }
    EXPECT_EQ(std::count(usage.begin(), usage.end(), '\n'), 33);
}

TEST(DorvikE2e, PortAddressComesFromLptOrFromTheIniFile) {
    DorvikFolder folder("3BC\r\n");
    const std::string not_connected = "  Programmator interface not connected.\n";
    ProgramResult r = folder.run_on_empty_port({"atmega8", "-er", "-lpt=278"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_EQ(r.output, not_connected);
    EXPECT_EQ(folder.recorded_port(), "278");

    r = folder.run_on_empty_port({"atmega8", "-lpt=278", "-lpt=0"});
    EXPECT_EQ(folder.recorded_port(), "3BC");

    r = folder.run_on_empty_port({"atmega8", "-lpt=3780"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_EQ(r.output, "  Error: 3780 is no port address of 1 to 3 hexadecimal digits.\n");
    EXPECT_EQ(folder.recorded_port(), "");
}

TEST(DorvikE2e, IniFileProblems) {
    DorvikFolder missing(nullptr);
    ProgramResult r = missing.run_on_empty_port({"atmega8"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    const std::string beside =
        (std::filesystem::canonical(missing.file(".")) / "dorvik.ini").string();
    EXPECT_EQ(r.output, "Error find file dorvik.ini\n  Looked for " + beside + " and etc/quarnel/" +
                            "dorvik.ini; -lpt=ADDR gives the port address without the file.\n");
    r = missing.run_on_empty_port({"atmega8", "-lpt=278"}); // the ini is not needed then
    EXPECT_EQ(missing.recorded_port(), "278");

    DorvikFolder unreadable(nullptr);
    std::filesystem::create_directory(unreadable.file("dorvik.ini"));
    r = unreadable.run_on_empty_port({"atmega8"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_EQ(r.output, "Error read file dorvik.ini\n");

    // No hex digits give address 0, which is never a parallel port: nothing is touched.
    for (const char* content : {"LPT1\n", "000\n"}) {
        DorvikFolder text(content);
        r = text.run_on_empty_port({"atmega8", "-lpt=0"});
        EXPECT_EQ(r.status, STATUS_ERROR) << content;
        EXPECT_EQ(r.output, "  Error: dorvik.ini holds no port address (three hexadecimal digits, "
                            "such as 378).\n")
            << content;
        EXPECT_EQ(text.recorded_port(), "") << content;
    }
}

TEST(DorvikE2e, InstalledIniFileIsReadOnlyWhenNoneLiesBesideTheProgram) {
    // A dorvik outside its install folder (here the working directory) reads no installed file.
    enum class Beside { nothing, file, folder, not_installed };
    struct Case {
        Beside beside;
        std::string output;
        std::string port;
    };
    const std::string not_connected = "  Programmator interface not connected.\n";
    const Case cases[] = {
        {Beside::nothing, not_connected, "2BC"},
        {Beside::file, not_connected, "3BC"},
        {Beside::folder, "Error read file dorvik.ini\n", ""},
        {Beside::not_installed, "Error find file dorvik.ini\n  Looked for ", ""},
    };
    for (const Case& c : cases) {
        DorvikFolder folder(c.beside == Beside::file ? "3BC\n" : nullptr);
        if (c.beside == Beside::folder) {
            std::filesystem::create_directory(folder.file("dorvik.ini"));
        }
        std::string looked_at;
        if (c.beside == Beside::not_installed) {
            std::filesystem::create_directory(folder.file("elsewhere"));
            std::filesystem::rename(folder.file("dorvik"), folder.file("elsewhere/dorvik"));
            std::filesystem::create_symlink("elsewhere/dorvik", folder.file("dorvik"));
            looked_at =
                (std::filesystem::canonical(folder.file("elsewhere")) / "dorvik.ini").string() +
                "; -lpt=ADDR gives the port address without the file.\n";
        }
        std::filesystem::create_directories(folder.file("etc/quarnel"));
        write_file(folder.file("etc/quarnel/dorvik.ini"), "2BC\n");
        const ProgramResult r = folder.run_on_empty_port({"atmega8", "-er"});
        EXPECT_EQ(r.status, STATUS_ERROR) << c.port;
        EXPECT_EQ(r.output, c.output + looked_at) << c.port;
        EXPECT_EQ(folder.recorded_port(), c.port);
    }
}

TEST(DorvikE2e, NothingAttachedFailsTheProbe) {
    DorvikFolder folder;
    folder.make_target("mega8", {"adapter=none"});
    const ProgramResult r = folder.run({"atmega8", "-er"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_EQ(r.output, "  Programmator interface not connected.\n");
}

TEST(DorvikE2e, MissingChipIsReportedAfterTheResetAttempts) {
    DorvikFolder folder;
    folder.make_target("mega8", {"faults=absent"});
    const ProgramResult r = folder.run({"atmega8", "-er"});
    EXPECT_EQ(r.status, STATUS_ERROR);
    EXPECT_EQ(r.output, "  Reset device...\t\t\t\t\tok.\n"
                        "  Check programmator interface and power supplay.\n");
}

TEST(DorvikE2e, CommandsThatDoNothing) {
    DorvikFolder folder;
    folder.make_target("mega8");
    const std::string enabled = "  Reset device...\t\t\t\t\tok.\n";
    struct Case {
        std::vector<std::string> args;
        std::string output;
    };
    const Case cases[] = {
        {{"atmega8"}, enabled},
        {{"atmega8", "-lpt=378", "-er"}, enabled}, // a command in argument 3
        {{"atmega8", "-wxf=FF"}, enabled},         // no extended fuse on this chip
        {{"atmega8", "-bogus"}, enabled},
        {{"atmega8", "-wlb="}, enabled},
        {{"atmega8", "-we"}, enabled + "  Error write command.\n"},
        {{"atmega8", "-rf"}, enabled + "  Error write command.\n  You must write filename.\n"},
        {{"atmega8", "-re="}, enabled + "  You must write file name.\n"},
        {{"atmega8", "-wf"}, enabled + enabled + "  Error write command.\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = folder.run(c.args);
        EXPECT_EQ(r.status, 0) << c.args.back();
        EXPECT_EQ(r.output, c.output) << c.args.back();
    }
}

TEST(DorvikE2e, RefusedInput) {
    DorvikFolder folder;
    folder.make_target("mega8");
    const std::string enabled = "  Reset device...\t\t\t\t\tok.\n";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"ATmega8", "-er"}, "  Error: unknown device ATmega8.\n"},
        {{"atmega8", "-wlf=1G"}, "  Error: 1G is no hexadecimal byte.\n"},
        {{"atmega8", "-rsn", "-sna=8191"},
         "  Error: serial number of 2 bytes at address 8191 lies outside the 8192 bytes of "
         "flash.\n"},
        {{"atmega8", "-rsn", "-snl=x"}, "  Error: x is no decimal number.\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = folder.run(c.args);
        EXPECT_EQ(r.status, STATUS_ERROR) << c.message;
        EXPECT_EQ(r.output, enabled + c.message);
    }
}
