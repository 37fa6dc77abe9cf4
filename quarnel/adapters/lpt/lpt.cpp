// Port operations shared by every parallel-port interface.
#include "quarnel/adapters/lpt/lpt.h"

#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/common/units.h"

#include <algorithm>
#include <iterator>

namespace quarnel {

namespace {

constexpr float fastest_cycle_us = 0.2f;
constexpr int measure_trials = 100;

long double shortest_block_time(lpt_t& port, const std::uint8_t* data, int len) {
    os_timer_t timer;
    long double shortest = 1000;
    for (int trial = 0; trial < measure_trials; ++trial) {
        timer.restart();
        port.write_data_block(data, len);
        timer.stop();
        shortest = std::min(shortest, timer.elapsed_ms());
    }
    return shortest;
}

} // namespace

void lpt_t::set_data_output() {
    write_register(LPT_CONTROL, read_register(LPT_CONTROL) & ~LPT_CONTROL_DATA_INPUT);
}

float cycle_time_from(long double shortest_100_ms, long double shortest_4_ms) {
    const float cycle = static_cast<float>((shortest_100_ms - shortest_4_ms) * 1000 / 96);
    if (cycle < fastest_cycle_us) {
        console_log(1, "Warning: incredibly fast LPT found, min write cycle time %s\n",
                    format_time(cycle, TIME_US).c_str());
        console_log(1, "Cycle time forced to %.2fus\n", fastest_cycle_us);
        return fastest_cycle_us;
    }
    return cycle;
}

void lpt_t::measure_cycle_time() {
    can_set_direction = true;
    std::uint8_t control = read_register(LPT_CONTROL);
    control = (control & ~LPT_CONTROL_IRQ_ENABLE) | LPT_CONTROL_DATA_INPUT;
    write_register(LPT_CONTROL, control);
    control = read_register(LPT_CONTROL);
    if ((control & LPT_CONTROL_DATA_INPUT) != 0) {
        write_register(LPT_CONTROL, control & ~LPT_CONTROL_DATA_INPUT);
    } else {
        can_set_direction = false;
    }

    // Measure with the data lines' present value so that no output changes.
    std::uint8_t block[100];
    std::fill(std::begin(block), std::end(block), read_register(LPT_DATA));
    const long double long_block = shortest_block_time(*this, block, 100);
    const long double short_block = shortest_block_time(*this, block, 4);
    cycle_time = cycle_time_from(long_block, short_block);
}

} // namespace quarnel
