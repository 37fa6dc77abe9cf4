// Monotonic time for the virtual chip and the stand-in libraries.
#include "sim/sim_clock.h"

#include "platform/clock.h"

namespace avrsim {

monotonic_clock::monotonic_clock() : start_(platform::counter_now()) {
    const std::int64_t frequency = platform::counter_frequency();
    us_per_count_ = frequency > 0 ? 1e6 / static_cast<double>(frequency) : 1e-3;
}

double monotonic_clock::now_us() const {
    return static_cast<double>(platform::counter_now() - start_) * us_per_count_;
}

void busy_wait_us(const sim_clock& clock, double us) {
    const double end = clock.now_us() + us;
    while (clock.now_us() < end) {
    }
}

} // namespace avrsim
