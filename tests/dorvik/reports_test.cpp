// Fuse and lock reports: exact text of chosen sets, and row order and values of every set.
#include "dorvik/reports.h"

#include "dorvik/run_state.h"

#include "tests/support/golden_text.h"

#include <gtest/gtest.h>
#include <regex>

using namespace dorvik;

namespace {

std::string report(void (*print)(std::uint8_t), const std::string& device, std::uint8_t value) {
    state = RunState{};
    state.device_name = device;
    testing::internal::CaptureStdout();
    print(value);
    return testing::internal::GetCapturedStdout();
}

// The bit values the report shows, from bit 7 down.
std::string shown_bits(const std::string& text) {
    static const std::regex value("([01])     \n");
    std::string bits;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), value);
         it != std::sregex_iterator(); ++it) {
        bits += (*it)[1].str();
    }
    return bits;
}

const std::string SEPARATOR =
    "  ------------------------------------------------------------------------\n";

} // namespace

TEST(DorvikReports, LockReportOfAtmega8) {
    EXPECT_EQ(report(print_lock_report, "atmega8", 0xFC),
              golden_text("dorvik/lock-report-atmega8.txt"));
}

TEST(DorvikReports, HighFuseReportOfAtmega8) {
    EXPECT_EQ(report(print_fuse_high_report, "atmega8", 0xD9),
              golden_text("dorvik/fuse-high-report-atmega8.txt"));
}

TEST(DorvikReports, ExtendedFuseReportOfAtmega128HasTheTwoLineRow) {
    const std::string text = report(print_fuse_ext_report, "atmega128", 0xFD);
    EXPECT_TRUE(text.starts_with(
        "  ---Fuse ext byte--------------------------------------------------------\n"
        "  \t\tBit No.\tDescription\t\tDefault  Current\n"));
    EXPECT_NE(text.find("\t\t2\t\t\t\t1        1     \n"
                        "  M103C\t1       ATmega103\n"
                        "\t\t\tcompatibility mode\t0        0     \n"
                        "  WDTON\t0       WDT always on\t\t1        1     \n"),
              std::string::npos);
}

TEST(DorvikReports, ExtendedFuseReportIsEmptyForDevicesWithoutALayout) {
    EXPECT_EQ(report(print_fuse_ext_report, "atmega64", 0xFF), "");
    EXPECT_EQ(report(print_fuse_ext_report, "atmega8", 0xFF), "");
}

TEST(DorvikReports, EverySetShowsEightBitsInOrderWithTheRightLayout) {
    struct Case {
        void (*print)(std::uint8_t);
        const char* device;
        const char* marker; // a text only this row set and header have
    };
    const Case cases[] = {
        {print_fuse_ext_report, "atmega48", "  SLFPRGEN\t0\tEneble self programming\t1        "},
        {print_fuse_ext_report, "atmega644p", "  BODLVL0\t0       BOD level\t\t1\t "},
        {print_fuse_ext_report, "atmega1284", "  M103C\t1"},
        {print_fuse_high_report, "atmega48", "  DWEN\t6       debugWire enable\t1\t"},
        {print_fuse_high_report, "atmega88", "  CKOPT\t4       Oscillator options\t1\t"},
        {print_fuse_high_report, "atmega644", "  OCDEN\t7       Enable OCD\t\t1\t"},
        {print_fuse_high_report, "atmega32", "  OCDEN\t7       Enable OCD\t\t1        "},
        {print_lock_report, "atmega48", "\t\t5       \t\t\t1        "},
        {print_lock_report, "atmega16", "  BLB12\t5"},
        {print_fuse_low_report, "atmega48", "  CKOUT\t6       Clock output\t\t1        "},
        {print_fuse_low_report, "atmega644", "  CKDIV8\t7       Divide clock by 8\t0        "},
        {print_fuse_low_report, "atmega8", "  BODLEVEL\t7       BOD level\t\t1        "},
    };
    for (const Case& c : cases) {
        for (const std::uint8_t value : {0xA5, 0x5A}) {
            const std::string text = report(c.print, c.device, value);
            SCOPED_TRACE(std::string(c.device) + " " + std::to_string(value));
            EXPECT_NE(text.find(c.marker), std::string::npos);
            EXPECT_EQ(shown_bits(text), value == 0xA5 ? "10100101" : "01011010");
            EXPECT_TRUE(text.ends_with("     \n" + SEPARATOR));
        }
    }
}

TEST(DorvikReports, LowFuseHeaderFollowsTheFamily) {
    EXPECT_NE(report(print_fuse_low_report, "atmega48", 0)
                  .find("  \t\tBit No. Description\t\tDefault  Current\n"),
              std::string::npos);
    EXPECT_NE(report(print_fuse_low_report, "atmega16", 0)
                  .find("  \t\tBit No. Description                      Default  Current\n"),
              std::string::npos);
}
