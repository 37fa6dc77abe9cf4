// Transfers on the bus timeline, and waiting host time out to it.
#include "sim/ftd2xx/bus_clock.h"

#include "platform/clock.h"

namespace avrsim {

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
    // Sleep while far off (a sleep comes back late by tens of microseconds), then spin to the
    // exact time: the program's process keeps a core busy only for the simulation itself.
    constexpr double spin_tail_us = 100.0;
    for (double left = end - host_.now_us(); left > spin_tail_us; left = end - host_.now_us()) {
        platform::sleep_us(static_cast<std::int64_t>(left - spin_tail_us));
    }
    busy_wait_us(host_, end - host_.now_us());
    // The host has caught up with the bus (or passed it, when the simulation ran slower).
    ahead_us_ = 0.0;
}

} // namespace avrsim
