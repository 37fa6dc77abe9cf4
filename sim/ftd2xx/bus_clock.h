// Time as the virtual chip behind an FTDI chip sees it: host time between transfers, and
// during a transfer exactly the bus time of what the FTDI chip does, counted ahead of the
// host or really waited out.
#pragma once

#include "sim/sim_clock.h"

namespace avrsim {

class bus_clock : public sim_clock {
  public:
    // With `real_time` a transfer lasts its bus time on the host too, so that a run takes as
    // long as on the bench; without it the bus runs ahead of host time and a run takes only
    // the CPU time of the simulation.
    void set_real_time(bool real_time) { real_time_ = real_time; }

    // Host time stands still from here to end_transfer(): the chip sees only the bus time
    // of the transfer's SCK phases and GPIO writes, however long the simulation takes.
    void begin_transfer();
    // Host time runs again; with real time, first waits until the host has reached the end
    // of the transfer's bus time.
    void end_transfer();

    double now_us() const override {
        return (in_transfer_ ? transfer_start_us_ : host_.now_us()) + ahead_us_;
    }

    // The bus moves on by `us` (SCK phases, GPIO writes, USB latency).
    void advance_us(double us) {
        ahead_us_ += us;
        total_us_ += us;
    }

    // Bus time counted since the clock was made.
    double total_us() const { return total_us_; }

  private:
    monotonic_clock host_;
    bool real_time_ = false;
    bool in_transfer_ = false;
    double transfer_start_us_ = 0.0;
    double ahead_us_ = 0.0; // bus time not (yet) passed on the host
    double total_us_ = 0.0;
};

} // namespace avrsim
