// os_timer_t over the platform's monotonic counter.
#include "quarnel/adapters/os_timer.h"

#include "platform/clock.h"
#include "platform/system_error.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

namespace {

// The host counter's rate is fixed for the life of the process.
const float counts_per_ms = static_cast<float>(platform::counter_frequency()) * 0.001f;

// A sleep comes back late by the timer slack and the wake-up latency: sleep until this long
// before the end of a delay and spin the rest, so that the wait ends on time and the
// processor is free for almost all of it.
constexpr float spin_tail_ms = 0.1f;
} // namespace

os_timer_t::os_timer_t() {
    if (counts_per_ms <= 0.0f) {
        platform::record_system_error("monotonic clock unavailable");
        console_log(0, "Can't create performance timer\n");
        throw win32_error(EXIT_ENVIRONMENT);
    }
}

void os_timer_t::restart() {
    accumulated = 0;
    start = platform::counter_now();
    running = true;
}

void os_timer_t::stop() {
    running = false;
    accumulated += platform::counter_now() - start;
}

long double os_timer_t::elapsed_ms() const {
    std::int64_t counts = accumulated;
    if (running) {
        counts += platform::counter_now() - start;
    }
    return static_cast<long double>(counts) / counts_per_ms;
}

void os_timer_t::set_delay(float ms) {
    delay_start = platform::counter_now();
    delay_length = static_cast<std::int64_t>(ms * counts_per_ms);
    whole_ms = static_cast<std::int32_t>(ms);
    mode = whole_ms == 0 ? WAIT_SPIN : ms < 10.0f ? WAIT_YIELD : WAIT_SLEEP;
}

bool os_timer_t::expired() const {
    return platform::counter_now() - delay_start >= delay_length;
}

void os_timer_t::wait() {
    delay_start = platform::counter_now();
    switch (mode) {
    case WAIT_SPIN:
        while (!expired()) {
        }
        break;
    case WAIT_SLEEP:
        platform::sleep_ms(static_cast<unsigned>(whole_ms));
        [[fallthrough]];
    default:
        sleep_to_end();
        break;
    }
}

void os_timer_t::sleep_to_end() const {
    const std::int64_t tail = static_cast<std::int64_t>(spin_tail_ms * counts_per_ms);
    const std::int64_t end = delay_start + delay_length;
    while (!expired()) {
        const std::int64_t left = end - platform::counter_now();
        if (left > tail) {
            platform::sleep_us(static_cast<std::int64_t>(static_cast<double>(left - tail) * 1000.0 /
                                                         static_cast<double>(counts_per_ms)));
        }
    }
}

} // namespace quarnel
