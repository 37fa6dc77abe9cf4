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

// Gives up the processor for at least `us` microseconds; it comes back later by the
// scheduler's timer slack and wake-up latency (tens of microseconds on an idle host).
void sleep_us(std::int64_t us);

// Processor time this process has used, in microseconds.
std::int64_t process_cpu_us();

} // namespace platform
