// The -o switch: units, ranges, the SCK form and the generated-clock divider.
#include "quarnel/run/frequency_switch.h"

#include "tests/quarnel/run/parse_runner.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

const char* const range_message = "-o: OSC frequency must be 0 or from 1kHz to 40MHz\n";
const char* const divider_message = "-o: divider can be used only with -o0 form of the switch\n";

void expect_clock(const std::string& arg, unsigned hz, bool sck, unsigned divider) {
    const auto outcome = parse_args({arg});
    ASSERT_FALSE(outcome.raised) << arg << ": " << outcome.output;
    EXPECT_EQ(parsed_options().osc_hz, hz) << arg;
    EXPECT_EQ(parsed_options().sck_given, sck) << arg;
    EXPECT_EQ(parsed_options().sck_divider, divider) << arg;
}

void expect_rejected(const std::vector<std::string>& args, const std::string& message) {
    const auto outcome = parse_args(args);
    EXPECT_EQ(outcome.status, 70) << args.back();
    EXPECT_EQ(outcome.output, message) << args.back();
}

} // namespace

TEST(FrequencySwitch, UnitsScaleTheNumber) {
    expect_clock("-o8MHz", 8000000, false, 1);
    expect_clock("-o8", 8000, false, 1);
    expect_clock("-O1.5khz", 1500, false, 1);
    expect_clock("-o1000Hz", 1000, false, 1);
    expect_clock("-o40MHZ", 40000000, false, 1);
    expect_clock("-o3.6864MHz", 3686400, false, 1);
    expect_clock("-os2MHz", 2000000, true, 1);
    expect_clock("-oS250", 250000, true, 1);
}

TEST(FrequencySwitch, GeneratedClockTakesADivider) {
    expect_clock("-o0", 0, false, 1);
    expect_clock("-o0,4", 0, false, 4);
    expect_clock("-o0MHz,256", 0, false, 256);
    expect_rejected({"-o0,0"}, invalid_value_text("0,0", 'o'));
    expect_rejected({"-o0,257"}, invalid_value_text("0,257", 'o'));
    expect_rejected({"-o0,"}, invalid_value_text("0,", 'o'));
    expect_rejected({"-o0,2x"}, invalid_value_text("0,2x", 'o'));
    expect_rejected({"-o8MHz,2"}, divider_message);
}

TEST(FrequencySwitch, OutOfRangeAndMalformedValues) {
    expect_rejected({"-o500Hz"}, range_message);
    expect_rejected({"-o999.9Hz"}, range_message);
    expect_rejected({"-o40.1MHz"}, range_message);
    expect_rejected({"-o-5"}, range_message);
    // Range is checked before the divider.
    expect_rejected({"-o500Hz,2"}, range_message);
    expect_rejected({"-o8GHz"}, invalid_value_text("8GHz", 'o'));
    expect_rejected({"-o"}, invalid_value_text("", 'o'));
    expect_rejected({"-oMHz"}, invalid_value_text("MHz", 'o'));
    expect_rejected({"-o8MHzz"}, invalid_value_text("8MHzz", 'o'));
    expect_rejected({"-onan"}, invalid_value_text("nan", 'o'));
    expect_rejected({"-oinfHz"}, invalid_value_text("infHz", 'o'));
    expect_rejected({"-o1e9"}, invalid_value_text("1e9", 'o'));
}

TEST(FrequencySwitch, LaterSwitchReplacesTheWholeSetting) {
    // An SCK request or divider of an earlier -o must not cling to a later one.
    parse_args({"-os1MHz", "-o8MHz"});
    EXPECT_FALSE(parsed_options().sck_given);
    EXPECT_EQ(parsed_options().osc_hz, 8000000u);
    const auto outcome = parse_args({"-o0,4", "-o8MHz"});
    EXPECT_FALSE(outcome.raised) << outcome.output;
    EXPECT_EQ(parsed_options().sck_divider, 1u);
}
