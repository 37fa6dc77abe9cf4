// Time as the virtual chip behind an FTDI chip sees it: host time plus the bus time of the
// transfers, which the stand-in either counts ahead or really waits out.
#pragma once

#include "sim/sim_clock.h"

class bus_clock : public sim_clock {
  public:
    double now_us() const override { return host_.now_us() + ahead_us_; }

    // The bus moves on by `us` (SCK phases, GPIO writes, USB latency).
    void advance_us(double us) {
        ahead_us_ += us;
        total_us_ += us;
    }

    // Waits until host time has reached bus time, so that a run takes as long as on the
    // bench. Without it the bus runs ahead of host time and a run takes only CPU time.
    void catch_up();

    // Bus time counted since the clock was made.
    double total_us() const { return total_us_; }

  private:
    monotonic_clock host_;
    double ahead_us_ = 0.0;
    double total_us_ = 0.0;
};
