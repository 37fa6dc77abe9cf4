// The usage text; its two Russian lines are kept in Windows-1251.
#include "dorvik/usage.h"

#include "dorvik/text_encoding.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace dorvik {
namespace {

// clang-format off
constexpr std::array<const char*, 33> usage_lines{
    "  dorvik 1.23 23.12.08.",
    "  ",
    "  Usage: dorvik devicename [command] [option]",
    "  ",
    "  Commands:",
    "  -er            chip erase                    -h       help              ",
    "  -re=filename   read EEPROM and save to file  -rsn     read serial number",
    "  -rf=filename   read Flash and save to file   -rlhf    read fuse bits    ",
    "  -we=filename   write EEPROM saved in file                               ",
    "  -wf=filename   write Flash saved in file     -rlb     read lock bits    ",
    "  -wlf=XX        write fuse low bits in hex    -whf=XX  write fuse high   ",
    "  -wlb=XX        write lock bits in hex                 bits in hex       ",
    "  -rst           reset device                  -lpt=XXX LPT base address in",
    "  -wxb=XX        write ext fuse bits inhex   hex, default in \"dorvik.ini\"",
    "  -asn=filename  \xE7\xE0\xEF\xE8\xF1\xE0\xF2\xFC \xF1\xE5\xF0\xE8\xE9\xED\xFB\xE9 \xED\xEE\xEC\xE5\xF0 \xF1 \xE0\xE2\xF2\xEE\xEC\xE0\xF2\xE8\xF7\xE5\xF1\xEA\xE8\xEC \xF3\xE2\xE5\xEB\xE8\xF7\xE5\xED\xE8\xE5\xEC \xE8 ",
    "                 \xEF\xF0\xEE\xF2\xEE\xEA\xEE\xEB\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5\xEC \xE2 \xF4\xE0\xE8\xEB\xE5 filename.",
    "  ",
    "  Options for -wf:",
    "  -ws=XXXXXX     write serial number in dec    -wlf=XX  write fuse bits in hex",
    "  -whf=XX        write fuse high bits in hex   -wlb=XX  write lock bits in hex",
    "  -wts=XXXXXX    write serial number from      -sna=XXXXXX   set serial number",
    "            table with address XXXXXX in dec   memory address XXXXXX in dec   ",
    "  -snl=XX        set serial number byte        -we=filename  write EEPROM     ",
    "                 length XX in dec                            from file        ",
    "  -wxb=XX        write ext fuse bits in hex    ",
    "  ",
    "  Options for -rs:",
    "  -sna=XXXXXX    set serial number memory address XXXXXX in dec",
    "  -snl=XX        set serial number byte length XX in dec",
    "  ",
    "  This version supports:",
    "  ATmega48, ATmega8, ATmega16, ATmega164, ATmega168, ATmega169, ATmega32,",
    "  ATmega324, ATmega64, ATmega644, ATmega128.",
};
// clang-format on

} // namespace

void print_version() {
    const std::string_view first = usage_lines[0];
    std::printf("%s\n", std::string(first.substr(first.find_first_not_of(' '))).c_str());
}

void print_usage() {
    for (const char* line : usage_lines) {
        std::printf("%s\n", terminal_text(line).c_str());
    }
}

} // namespace dorvik
