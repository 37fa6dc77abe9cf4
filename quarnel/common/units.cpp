// Engineering-unit scaling: values shown between 0.3 and 300 of their unit.
#include "quarnel/common/units.h"

#include <cstdio>

namespace {

char shared_buffer[64];

const char* format_units(double value, int index, int max_index, const char* const units[],
                         char* buffer) {
    if (buffer == nullptr) {
        buffer = shared_buffer;
    }
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
    std::snprintf(buffer, 32, format, value, units[index]);
    return buffer;
}

} // namespace

const char* format_time(double value, int unit, char* buffer) {
    static const char* const units[] = {"s", "ms", "us", "ns"};
    return format_units(value, unit, 3, units, buffer);
}

const char* format_frequency(double value, int unit, char* buffer) {
    static const char* const units[] = {"GHz", "MHz", "kHz", "Hz"};
    return format_units(value, unit, 3, units, buffer);
}
