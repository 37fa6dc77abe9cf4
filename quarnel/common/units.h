// Times and frequencies in engineering units.
#pragma once

#include <string>

namespace quarnel {

// `value` in the unit of index `unit` of ("s", "ms", "us", "ns").
std::string format_time(double value, int unit);

// `value` in the unit of index `unit` of ("GHz", "MHz", "kHz", "Hz").
std::string format_frequency(double value, int unit);

inline constexpr int TIME_S = 0, TIME_MS = 1, TIME_US = 2, TIME_NS = 3;
inline constexpr int FREQ_GHZ = 0, FREQ_MHZ = 1, FREQ_KHZ = 2, FREQ_HZ = 3;

} // namespace quarnel
