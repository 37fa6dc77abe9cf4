// POSIX clock: CLOCK_MONOTONIC in nanoseconds, nanosleep and sched_yield.
#include "platform/clock.h"

#include <cerrno>
#include <ctime>
#include <sched.h>

namespace platform {

std::int64_t counter_now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::int64_t counter_frequency() {
    timespec res{};
    if (clock_getres(CLOCK_MONOTONIC, &res) != 0) {
        return 0;
    }
    return 1000000000;
}

void sleep_ms(unsigned ms) {
    timespec want{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    while (nanosleep(&want, &left) != 0 && errno == EINTR) {
        want = left;
    }
}

void yield_processor() {
    sched_yield();
}

} // namespace platform
