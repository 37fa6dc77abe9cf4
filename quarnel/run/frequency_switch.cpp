// Frequency and SCK divider of the -o switch.
#include "quarnel/run/frequency_switch.h"

#include "quarnel/common/command_errors.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/run/number_text.h"
#include "quarnel/run/run_options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace quarnel {

namespace {

constexpr double lowest_hz = 1000;
constexpr double highest_hz = 40000000;

// Hertz per unit of the unit text after the number; 0 for an unknown unit.
double unit_scale(std::string_view unit) {
    if (unit.empty() || equals_ignoring_case(unit, "kHz")) {
        return 1000;
    }
    if (equals_ignoring_case(unit, "MHz")) {
        return 1000000;
    }
    if (equals_ignoring_case(unit, "Hz")) {
        return 1;
    }
    return 0;
}

} // namespace

void parse_frequency_switch(char letter, const char* value, RunOptions& options) {
    std::string_view text(value);
    // Each -o states the whole clock setting: nothing of an earlier one stays.
    bool sck_given = false;
    unsigned divider = 1;
    if (!text.empty() && (text[0] == 's' || text[0] == 'S')) {
        sck_given = true;
        text.remove_prefix(1);
    }
    const std::size_t comma = text.find(',');
    if (comma != std::string_view::npos) {
        const auto number = read_decimal(text.substr(comma + 1), 256);
        if (!number || *number < 1) {
            invalid_switch_value(letter, value);
        }
        divider = static_cast<unsigned>(*number);
        text = text.substr(0, comma);
    }
    double number = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::fixed);
    if (error != std::errc{} || !std::isfinite(number)) {
        invalid_switch_value(letter, value);
    }
    const double scale = unit_scale(text.substr(static_cast<std::size_t>(end - text.data())));
    if (scale == 0) {
        invalid_switch_value(letter, value);
    }
    const double hz = number * scale;
    if (hz != 0 && (hz < lowest_hz || hz > highest_hz)) {
        command_error("-o: OSC frequency must be 0 or from 1kHz to 40MHz\n");
    }
    if (hz != 0 && divider != 1) {
        command_error("-o: divider can be used only with -o0 form of the switch\n");
    }
    options.osc_hz = static_cast<unsigned>(hz);
    options.sck_given = sck_given;
    options.sck_divider = divider;
}

} // namespace quarnel
