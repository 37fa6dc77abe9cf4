// Transfers on the bus timeline, and waiting host time out to it.
#include "sim/ftd2xx/bus_clock.h"

#include "platform/clock.h"

void bus_clock::begin_transfer() {
    transfer_start_us_ = host_.now_us();
    in_transfer_ = true;
}

void bus_clock::end_transfer() {
    in_transfer_ = false;
    if (!real_time_) {
        return;
    }
    const double end = transfer_start_us_ + ahead_us_;
    // Sleep in whole milliseconds while far off, then spin to the exact time.
    for (double left = end - host_.now_us(); left > 2000.0; left = end - host_.now_us()) {
        platform::sleep_ms(static_cast<unsigned>(left / 1000.0) - 1);
    }
    busy_wait_us(host_, end - host_.now_us());
    // The host has caught up with the bus (or passed it, when the simulation ran slower).
    ahead_us_ = 0.0;
}
