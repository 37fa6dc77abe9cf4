// Windows clock: the performance counter, Sleep(n) and Sleep(0), process times.
#include "platform/clock.h"

#include <windows.h>

namespace platform {

std::int64_t counter_now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::int64_t counter_frequency() {
    LARGE_INTEGER frequency{};
    return QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
}

void sleep_ms(unsigned ms) {
    Sleep(ms);
}

void sleep_us(std::int64_t us) {
    if (us <= 0) {
        return;
    }
    const std::int64_t frequency = counter_frequency();
    const std::int64_t end = counter_now() + us * frequency / 1000000;
    // Sleep(n) ends on a scheduler tick at the earliest; the part below a millisecond is
    // waited by giving up the rest of the time slice, Sleep(0), until the counter passes it.
    if (us >= 1000) {
        Sleep(static_cast<DWORD>(us / 1000));
    }
    while (counter_now() < end) {
        Sleep(0);
    }
}

std::int64_t process_cpu_us() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10; // 100 ns units
}

} // namespace platform
