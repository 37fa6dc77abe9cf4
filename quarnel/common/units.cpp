// Engineering-unit scaling: values shown between 0.3 and 300 of their unit.
#include "quarnel/common/units.h"

#include <cstdio>

namespace quarnel {

namespace {

std::string format_units(double value, int index, int max_index, const char* const units[]) {
    while (value > 300 && index > 0) {
        value *= 0.001;
        --index;
    }
    while (value <= 0.3 && index < max_index) {
        value *= 1000;
        ++index;
    }
    const char* format = value < 0.003  ? "%.6f%s"
                         : value < 0.03 ? "%.4f%s"
                         : value < 0.3  ? "%.3f%s"
                         : value < 3    ? "%.2f%s"
                         : value < 30   ? "%.1f%s"
                                        : "%.0f%s";
    char text[32];
    std::snprintf(text, sizeof text, format, value, units[index]);
    return text;
}

} // namespace

std::string format_time(double value, int unit) {
    static constexpr const char* units[] = {"s", "ms", "us", "ns"};
    return format_units(value, unit, 3, units);
}

std::string format_frequency(double value, int unit) {
    static constexpr const char* units[] = {"GHz", "MHz", "kHz", "Hz"};
    return format_units(value, unit, 3, units);
}

} // namespace quarnel
