// quarnel without arguments and its help screens, compared whole.
#include "quarnel/devices/device_info.h"
#include "quarnel/devices/device_table.h"
#include "tests/quarnel/e2e/cli_support.h"

#include "tests/support/golden_text.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace quarnel;

namespace {

// Problems of the "Supported devices" block: blank first column, names at
// columns 12, 24, ..., nothing past column 78, table order, family breaks.
std::string listing_problems(const std::string& listing) {
    std::vector<const DeviceInfo*> rows;
    for (const DeviceInfo* row = device_table; row->names != nullptr; ++row) {
        if ((row->flags & DEV_HIDDEN) == 0) {
            rows.push_back(row);
        }
    }
    std::ostringstream problems;
    std::istringstream lines(listing);
    std::string line;
    std::size_t next_row = 0;
    while (std::getline(lines, line)) {
        if (line.size() > 78) {
            problems << "line past column 78: " << line << "\n";
        }
        if (line.empty() || line[0] != ' ' || line.size() < 2 || line[1] == ' ') {
            problems << "line does not start with one blank: '" << line << "'\n";
            continue;
        }
        std::size_t column = 1;
        bool first = true;
        while (column < line.size()) {
            const std::size_t end = line.find(' ', column);
            const std::string name = line.substr(column, end - column);
            if (!first && column % 12 != 0) {
                problems << name << " starts at column " << column << "\n";
            }
            if (next_row >= rows.size() || name != rows[next_row]->names) {
                problems << "unexpected name " << name << "\n";
                return problems.str();
            }
            if (!first && (rows[next_row]->flags & DEV_NEW_LINE) != 0) {
                problems << name << " starts a family but not a line\n";
            }
            ++next_row;
            first = false;
            column = end == std::string::npos ? line.size() : line.find_first_not_of(' ', end);
            if (column != std::string::npos && column - end < 2) {
                problems << "less than two blanks before " << line.substr(column) << "\n";
            }
            if (column == std::string::npos) {
                column = line.size();
            }
        }
    }
    if (next_row != rows.size()) {
        problems << "listed " << next_row << " of " << rows.size() << " devices\n";
    }
    return problems.str();
}

} // namespace

TEST(CliHelp, NoArgumentsHasNothingToDo) {
    const CliRun run = run_quarnel({});
    EXPECT_EQ(banner_problem(run.banner), "");
    EXPECT_EQ(run.body, "Nothing to do!\nFor short help type\n\tquarnel -h\n");
    EXPECT_EQ(run.status, 0);
}

TEST(CliHelp, UsageThenSupportedDevices) {
    // --help adds the long options after the usage text.
    const std::string long_options =
        "\nLong options\n"
        " --file-fuses   write the fuse bytes of an ELF file (FUSES), as -f would; not with -f\n"
        " --file-lock    write the lock byte of an ELF file (LOCKBITS); not with -l\n"
        " --log          =FILE: append one CSV line per run (per site of a gang) to FILE, a row "
        "to a postgresql:// URI\n"
        " --serial-db    =URI: the SERNO insert's name is a counter in this PostgreSQL database\n"
        " --gang         =FILE: run the rest on every site of FILE at once (a name and -a/-p a "
        "line)\n"
        " --job          =FILE: the run's switches and files from FILE, run in FILE's folder\n"
        " --repeat       chip after chip: wait for a chip, run, wait for its removal; Ctrl-C "
        "ends\n"
        " --site         =NAME: the site name of the log line\n"
        " --help         this help, with the long options\n"
        " --version      the version line alone\n";
    for (const char* help : {"-?", "-h", "-H", "--help"}) {
        const CliRun run = run_quarnel({help});
        EXPECT_EQ(banner_problem(run.banner), "");
        EXPECT_EQ(run.status, 0);
        const std::string head = command_echo({help}) + golden_text("quarnel/usage.txt") +
                                 (help[1] == '-' ? long_options : "") + "\nSupported devices\n";
        ASSERT_EQ(run.body.substr(0, head.size()), head) << help;

        // The listing ends with where newer versions are published, then the
        // empty line of the help exit.
        const std::string rest = run.body.substr(head.size());
        const std::size_t tail = rest.find("\n\nFor latest versions see\n");
        ASSERT_NE(tail, std::string::npos);
        EXPECT_EQ(listing_problems(rest.substr(0, tail + 1)), "") << help;
        const std::string ending = rest.substr(tail + 26);
        EXPECT_EQ(ending.find('\n'), ending.size() - 2) << ending;
        EXPECT_EQ(ending.back(), '\n');
    }
}

// --version alone prints the banner's version line and nothing else.
TEST(CliHelp, VersionPrintsTheVersionLine) {
    ProgramRun run;
    run.program = "quarnel";
    run.args = {"--version"};
    const ProgramResult result = run_program(run);
    EXPECT_EQ(result.status, 0);
    // The banner: a blank line, the title line, the version line, the request for reports.
    const std::string banner = run_quarnel({"-?"}).banner;
    const std::size_t version_start = banner.find('\n', 1) + 1;
    EXPECT_EQ(result.output,
              banner.substr(version_start, banner.find('\n', version_start) + 1 - version_start));
}

TEST(CliHelp, DeviceNamedFirstListsItsFuses) {
    const CliRun run = run_quarnel({"+ATmega8", "-?"});
    EXPECT_EQ(banner_problem(run.banner), "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.body,
              command_echo({"+ATmega8", "-?"}) + golden_text("quarnel/fuses-mega8.txt") + "\n");
}
