// Report layouts: titles, column headers and one row per bit for each device family.
#include "dorvik/reports.h"

#include "dorvik/run_state.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace dorvik {
namespace {

// Text of each row up to its bit value, for bits 7 down to 0. Every row
// ends with the bit's current value and ROW_END.
using RowSet = std::array<const char*, 8>;
constexpr const char* ROW_END = "     \n";

constexpr const char* SEPARATOR =
    "  ------------------------------------------------------------------------\n";
constexpr const char* TITLE_EXT =
    "  ---Fuse ext byte--------------------------------------------------------\n";
constexpr const char* TITLE_HIGH =
    "  ---Fuse high byte-------------------------------------------------------\n";
constexpr const char* TITLE_LOCK =
    "  ---Lock byte------------------------------------------------------------\n";
constexpr const char* TITLE_LOW =
    "  ---Fuse low byte--------------------------------------------------------\n";
constexpr const char* HEADER_1 = "  \t\tBit No.\tDescription\t\tDefault  Current\n";
constexpr const char* HEADER_2 = "  \t\tBit No. Description\t\tDefault  Current\n";
constexpr const char* HEADER_3 =
    "  \t\tBit No. Description                      Default  Current\n";

constexpr const char* UNUSED_7 = "\t\t7\t\t\t\t1        ";
constexpr const char* UNUSED_6 = "\t\t6\t\t\t\t1        ";
constexpr const char* UNUSED_5 = "\t\t5\t\t\t\t1        ";
constexpr const char* UNUSED_4 = "\t\t4\t\t\t\t1        ";
constexpr const char* UNUSED_3 = "\t\t3\t\t\t\t1        ";

// Extended fuse byte.
constexpr RowSet E1{UNUSED_7,
                    UNUSED_6,
                    UNUSED_5,
                    UNUSED_4,
                    UNUSED_3,
                    "  \t\t2\t\t\t\t0        ",
                    "\t\t1\t\t\t\t0        ",
                    "  SLFPRGEN\t0\tEneble self programming\t1        "};
constexpr RowSet E2{UNUSED_7,
                    UNUSED_6,
                    UNUSED_5,
                    UNUSED_4,
                    UNUSED_3,
                    "  BODLVL2\t2       BOD level\t\t1\t ",
                    "  BODLVL1\t1       BOD level\t\t1\t ",
                    "  BODLVL0\t0       BOD level\t\t1\t "};
constexpr RowSet E3{UNUSED_7,
                    UNUSED_6,
                    UNUSED_5,
                    UNUSED_4,
                    UNUSED_3,
                    "\t\t2\t\t\t\t1        ",
                    "  M103C\t1       ATmega103\n\t\t\tcompatibility mode\t0        ",
                    "  WDTON\t0       WDT always on\t\t1        "};

// High fuse byte.
constexpr const char* RSTDISBL = "  RSTDISBL\t7       External reset disable\t1\t";
constexpr const char* SPIEN = "  SPIEN\t5       Enable SPI\t\t0\t";
constexpr const char* WDTON_4 = "  WDTON\t4       WDT always on\t\t1\t";
constexpr const char* EESAVE =
    "  EESAVE\t3       EEPROM is preserved\n\t\t\tthrougth the Chip Erase\t1\t";
constexpr const char* BOOTSZ1 = "  BOOTSZ1\t2       Select Boot Size\t0\t";
constexpr const char* BOOTSZ0 = "  BOOTSZ0\t1       Select Boot Size\t0\t";
constexpr const char* BOOTRST = "  BOOTRST\t0       Select reset vector\t1\t";
constexpr RowSet H1{RSTDISBL,
                    "  DWEN\t6       debugWire enable\t1\t",
                    SPIEN,
                    WDTON_4,
                    EESAVE,
                    "  BODLVL2\t2       BOD level\t\t1\t",
                    "  BODLVL1\t1       BOD level\t\t1\t",
                    "  BODLVL0\t0       BOD level\t\t1\t"};
constexpr RowSet H2{RSTDISBL, "  WDTON\t6       WDT always on\t\t1\t",
                    SPIEN,    "  CKOPT\t4       Oscillator options\t1\t",
                    EESAVE,   BOOTSZ1,
                    BOOTSZ0,  BOOTRST};
constexpr RowSet H3{"  OCDEN\t7       Enable OCD\t\t1\t",
                    "  JTAGEN\t6       Enable JTAG\t\t0\t",
                    SPIEN,
                    WDTON_4,
                    EESAVE,
                    BOOTSZ1,
                    BOOTSZ0,
                    BOOTRST};
constexpr RowSet H4{
    "  OCDEN\t7       Enable OCD\t\t1        ",
    "  JTAGEN\t6       Enable JTAG\t\t0        ",
    "  SPIEN\t5       Enable SPI\t\t0        ",
    "  CKOPT\t4       Oscillator options\t1        ",
    "  EESAVE\t3       EEPROM is preserved\n\t\t\tthrougth the Chip Erase\t1        ",
    "  BOOTSZ1\t2       Select Boot Size\t0        ",
    "  BOOTSZ0\t1       Select Boot Size\t0        ",
    "  BOOTRST\t0       Select reset vector\t1        "};

// Lock byte.
constexpr const char* LB2 = "  LB2\t1       Lock bit\t\t1        ";
constexpr const char* LB1 = "  LB1\t0       Lock bit\t\t1        ";
constexpr RowSet L1{UNUSED_7,
                    UNUSED_6,
                    "\t\t5       \t\t\t1        ",
                    "  \t\t4       \t\t\t1        ",
                    "  \t\t3       \t\t\t1        ",
                    "  \t\t2       \t\t\t1        ",
                    LB2,
                    LB1};
constexpr RowSet L2{UNUSED_7,
                    UNUSED_6,
                    "  BLB12\t5       Boot Lock bit\t\t1        ",
                    "  BLB11\t4       Boot Lock bit\t\t1        ",
                    "  BLB02\t3       Boot Lock bit\t\t1        ",
                    "  BLB01\t2       Boot Lock bit\t\t1        ",
                    LB2,
                    LB1};

// Low fuse byte.
constexpr const char* SUT1 = "  SUT1\t5       Select start-up time\t1        ";
constexpr const char* SUT0 = "  SUT0\t4       Select start-up time\t0        ";
constexpr const char* CKSEL3 = "  CKSEL3\t3       Select clock sourse\t0        ";
constexpr const char* CKSEL2 = "  CKSEL2\t2       Select clock sourse\t0        ";
constexpr const char* CKSEL1 = "  CKSEL1\t1       Select clock sourse\t0        ";
constexpr const char* CKSEL0 = "  CKSEL0\t0       Select clock sourse\t1        ";
constexpr RowSet F1{"  CKDIV8\t7       Divide clock by 8\t0        ",
                    "  CKOUT\t6       Clock output\t\t1        ",
                    SUT1,
                    SUT0,
                    CKSEL3,
                    CKSEL2,
                    CKSEL1,
                    CKSEL0};
constexpr RowSet F2{"  BODLEVEL\t7       BOD level\t\t1        ",
                    "  BODEN\t6       BOD enable\t\t1        ",
                    SUT1,
                    SUT0,
                    CKSEL3,
                    CKSEL2,
                    CKSEL1,
                    CKSEL0};

bool name_starts_with(std::string_view prefix) {
    return std::string_view(state.device_name).starts_with(prefix);
}

void print_report(const char* title, const char* header, const RowSet& rows, std::uint8_t value) {
    std::printf("%s%s%s", title, header, SEPARATOR);
    for (int bit = 7; bit >= 0; --bit) {
        std::printf("%s%d%s", rows[7 - bit], (value >> bit) & 1, ROW_END);
    }
    std::printf("%s", SEPARATOR);
}

} // namespace

void print_fuse_low_report(std::uint8_t value) {
    if (name_starts_with("atmega48") || name_starts_with("atmega644")) {
        print_report(TITLE_LOW, HEADER_2, F1, value);
    } else {
        print_report(TITLE_LOW, HEADER_3, F2, value);
    }
}

void print_fuse_high_report(std::uint8_t value) {
    const RowSet* rows = &H4;
    if (name_starts_with("atmega48")) {
        rows = &H1;
    } else if (name_starts_with("atmega8")) {
        rows = &H2;
    } else if (name_starts_with("atmega644")) {
        rows = &H3;
    }
    print_report(TITLE_HIGH, HEADER_2, *rows, value);
}

void print_fuse_ext_report(std::uint8_t value) {
    if (name_starts_with("atmega48")) {
        print_report(TITLE_EXT, HEADER_1, E1, value);
    } else if (name_starts_with("atmega644")) {
        print_report(TITLE_EXT, HEADER_1, E2, value);
    } else if (name_starts_with("atmega128")) {
        print_report(TITLE_EXT, HEADER_1, E3, value);
    }
}

void print_lock_report(std::uint8_t value) {
    print_report(TITLE_LOCK, HEADER_3, name_starts_with("atmega48") ? L1 : L2, value);
}

} // namespace dorvik
