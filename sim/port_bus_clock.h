// Time as the virtual chip on a PC parallel port sees it: one bus cycle per register access.
#pragma once

#include "sim/sim_clock.h"

namespace avrsim {

// A port register access takes a fixed bus cycle whatever the processor does meanwhile, and
// the next access waits for the bus. The chip sees each access at the moment it lands on the
// bus: never sooner than one cycle after the access before it, and with no share of the time
// the host spends simulating it (which sanitizers and load stretch and shrink at will).
class port_bus_clock : public sim_clock {
  public:
    void set_cycle_us(double cycle_us) { cycle_us_ = cycle_us; }

    // One register access: waits, spinning, until the access before has had its bus cycle,
    // then holds the clock at the moment this one lands until the next.
    void access();

    double now_us() const override { return landed_us_; }

  private:
    monotonic_clock host_;
    double cycle_us_ = 1.0;
    double landed_us_ = 0.0;
};

} // namespace avrsim
