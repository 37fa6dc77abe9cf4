// Waiting host time out to the bus time.
#include "sim/ftd2xx/bus_clock.h"

#include "platform/clock.h"

void bus_clock::catch_up() {
    const double target = now_us();
    // Sleep in whole milliseconds while far off, then spin to the exact time.
    for (double left = target - host_.now_us(); left > 2000.0; left = target - host_.now_us()) {
        platform::sleep_ms(static_cast<unsigned>(left / 1000.0) - 1);
    }
    busy_wait_us(host_, target - host_.now_us());
    ahead_us_ = 0.0;
}
