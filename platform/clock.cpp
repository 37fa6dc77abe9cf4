// POSIX clock: CLOCK_MONOTONIC in nanoseconds, nanosleep, process CPU time.
#include "platform/clock.h"

#include <cerrno>
#include <ctime>

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
    sleep_us(std::int64_t{ms} * 1000);
}

void sleep_us(std::int64_t us) {
    if (us <= 0) {
        return;
    }
    timespec want{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000L};
    timespec left{};
    while (nanosleep(&want, &left) != 0 && errno == EINTR) {
        want = left;
    }
}

std::int64_t process_cpu_us() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

} // namespace platform
