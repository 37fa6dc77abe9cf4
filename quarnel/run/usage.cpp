// The usage text of the help screen.
#include "quarnel/run/usage.h"

#include "quarnel/common/console.h"

namespace quarnel {

namespace {

// Switches, adapters and ports.
constexpr const char* usage_general =
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
    "\tlist of optional FT2232 attributes  -pv=VID,p=PID,s=SERNO,d=DESCRIPTION\n";

// Clock, operations, files and fuses.
constexpr const char* usage_operations =
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

} // namespace

void print_usage() {
    console_log(2, "%s", usage_general);
    console_log(2, "%s", usage_operations);
}

} // namespace quarnel
