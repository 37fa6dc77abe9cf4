// Register accesses on the parallel port's bus timeline.
#include "sim/port_bus_clock.h"

namespace avrsim {

void port_bus_clock::access() {
    const double bus_free = landed_us_ + cycle_us_;
    double now = host_.now_us();
    while (now < bus_free) {
        now = host_.now_us();
    }
    landed_us_ = now;
}

} // namespace avrsim
