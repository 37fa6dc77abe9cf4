// quarnel without arguments and its help screens, compared whole.
#include "quarnel/devices/device_info.h"
#include "quarnel/devices/device_table.h"
#include "tests/quarnel/e2e/cli_support.h"

#include "tests/support/mega8_fuse_listing.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

const char* const usage_text =
    "Use:\tquarnel [SWITCHES] [[-c] cfile] [-d dfile]\n"
    "\tSwitches ( # represents number)\n"
    "\n"
    " -?,-h\t this help\n"
    " +<nam>\tforce chip to specified by name <nam> (list see below)\n"
    " -aX\t'adapter' group (default KELMA)\n"
    "\t-a{ft2232|ft2232h|ft4232h|ft232h}[PINMAP]\n"
    "\t\tFTDI MPSSE mode USB adapter with optional user pin configuration\n"
    "\t-amPINMAP - LPT adapter with user pin configuration\n"
    "\t\tPINMAP - pin configuration in one of two forms\n"
    "\t\t=filename (see documentation for config file format)\n"
    "\t\t:pincfg[:pincfg] (pin configuration entries as in config file)\n"
    "\t-ab  Altera ByteBlaster, ByteBlasterMV or ByteBlaster-II\n"
    "\t-as  STK200 or STK300 adapter\n"
    "\t-ax  XILINX parallel download cable\n"
    "\t-az  \"laZyBlaster\"\n"
    "\t     turn LPT or FTDI outputs to hi-Z after programming (FTDI chip left in MPSSE mode)\n"
    "\t-ai# Inactive reset time, #=time_in_mS\n"
    "\t-ap  chip powered from free LPT data outputs\n"
    " -k wait for pressing an adapter's key before starting the programming\n"
    "\t(-K for waiting before programming files reading)\n"
    "\tsee PINMAP description\n"
    " -p<device>\n"
    "    for LPT-based adapters:\n"
    "\t- hexadecimal number - LPT port number or base address for direct IO interface.\n"
    "\t  Default is 2 (LPT2)\n"
    "    for FT2232-based adapters:\n"
    "\tlist of optional FT2232 attributes  -pv=VID,p=PID,s=SERNO,d=DESCRIPTION\n"
    // second block
    " -o#[Hz|kHz|MHz] define MCU oscillator frequency\n"
    " -os#[Hz|kHz|MHz] define SPI SCK frequency\n"
    "\tdefault units is kHz, default frequency is 800kHz\n"
    " -o0[,#] quarnel must generate XTAL, #=additional divider for SCK\n"
    " -1, -2, -3, -4, -5\n"
    "\tset programming delays 1.5, 2, 3, 4, 5 times longer\n"
    "\t(for low voltage programming)\n"
    " -%%\tprint some debug info (use -%%%% in .bat files)\n"
    " -!\tforce operations even chip not detected\n"
    " -n#\tUse last 2 bytes of code memory for erase counter\n"
    "\t# force counter to specified value\n"
    " -c,-d\tmark Code and Data file names\n"
    "\tuse :ihex: and :bin: file prefix as file format specifier\n"
    "\t(ihex by default)\n"
    " -e[-]\tErase\n"
    "\t'-' enable read/erase/writeback sequence for EEPROM\n"
    " -b (-b{c|d})\tBlank check (code or data only)\n"
    " -r[+]\tRead from chip to files\n"
    "\t'+' save large FF blocks\n"
    " -w[+][p]\tWrite from files to chip\n"
    "\t'+' write FF to EEPROM locations not mentioned in '-d' file\n"
    "\t'p' use polling\n"
    " -v[+]\tVerify chip with files\n"
    "\t'+' enable testing of locations not mentioned in files\n"
    " -l[+]#\tLock chip to level #=1 (LB1 programmed) or 2 (LB1 and LB2 programmed)\n"
    "\t'+' write lock bits before fuses\n"
    " -f<list> -  fuses to be changed\n"
    "\t<list> syntax:\n"
    "\t\tfusename=val,bytename=val,...\n"
    "\t\tfor single-bit fuses val can be ON (0) or OFF (1)\n"
    "\t\tunlisted fuses not changed\n"
    "\ttype 'quarnel +name -?'\n"
    "\tfor list of fuse names for chip 'name'\n";

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
    for (const char* help : {"-?", "-h", "-H", "--help"}) {
        const CliRun run = run_quarnel({help});
        EXPECT_EQ(banner_problem(run.banner), "");
        EXPECT_EQ(run.status, 0);
        const std::string head = command_echo({help}) + usage_text + "\nSupported devices\n";
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
    EXPECT_EQ(run.body, command_echo({"+ATmega8", "-?"}) + mega8_fuse_listing + "\n");
}
