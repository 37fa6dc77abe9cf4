// The bench of a stand-in library, made on first use and released when the library unloads.
#include "sim/ftd2xx/bench_instance.h"

#include "platform/clock.h"

#include <cstdlib>

namespace avrsim {

namespace {
ftdi_bench* the_bench = nullptr;

// Runs at dlclose, or at process exit after the program's destructors.
__attribute__((destructor)) void release_bench() {
    delete the_bench;
    the_bench = nullptr;
}
} // namespace

ftdi_bench& bench() {
    if (the_bench == nullptr) {
        the_bench = new ftdi_bench(std::getenv("AVRSIM_TARGET"));
    }
    return *the_bench;
}

bus_transfer::bus_transfer(ftdi_bench& bench)
    : clock_(bench.clock()), counts_(bench.counts()), cpu_start_(platform::process_cpu_us()) {
    bench.before_transfer();
    clock_.begin_transfer();
}

bus_transfer::~bus_transfer() {
    clock_.end_transfer();
    counts_.cpu_us += platform::process_cpu_us() - cpu_start_;
}

} // namespace avrsim
