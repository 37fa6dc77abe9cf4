// The one FTDI bench of a stand-in library's process, and the span of one USB transfer on its
// bus timeline.
#pragma once

#include "sim/ftd2xx/ftdi_bench.h"

#include <cstdint>

namespace avrsim {

// Made from AVRSIM_TARGET on first use and kept until the library unloads (or the process
// ends): a program may still close its device from its own static destructors, which run
// before those of the library. The chip and the counts are saved then.
ftdi_bench& bench();

// Host time stands still on the bench for the life of the object; the processor time it
// takes in the program's process (simulation and real-time wait) is counted apart from the
// program's own.
class bus_transfer {
  public:
    explicit bus_transfer(ftdi_bench& bench);
    ~bus_transfer();
    bus_transfer(const bus_transfer&) = delete;
    bus_transfer& operator=(const bus_transfer&) = delete;

  private:
    bus_clock& clock_;
    usb_counts& counts_;
    std::int64_t cpu_start_;
};

} // namespace avrsim
