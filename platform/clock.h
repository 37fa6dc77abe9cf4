// Monotonic high-resolution counter, sleeping and yielding.
#pragma once

#include <cstdint>

namespace platform {

// Current value of the monotonic counter, in counts.
std::int64_t counter_now();

// Counts per second of counter_now(); 0 when the host has no usable counter.
std::int64_t counter_frequency();

// Gives up the processor for at least `ms` milliseconds.
void sleep_ms(unsigned ms);

// Gives up the rest of the current time slice.
void yield_processor();

} // namespace platform
