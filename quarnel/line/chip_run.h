// The run of one chip, from its settings to its log record: what a plain run does once and
// --repeat chip after chip.
#pragma once

#include "quarnel/adapters/os_timer.h"
#include "quarnel/line/log_sink.h"
#include "quarnel/run/run_state.h"

#include <functional>
#include <vector>

namespace quarnel {

struct ChipRunHooks {
    bool read_back_fuses = false;              // for the record (a log is kept)
    std::function<void(RunState&)> await_chip; // --repeat: after power-up, until a chip answers
};

// Runs the checked request of `state` (options and fuse request filled): the run sequence,
// "Total time" and the OK lamp on success (timed by `timer`, already started), else the error
// lamp; the fuses read back when asked; then the target released. Returns the run's record,
// its status the run's.
LogRecord run_chip(RunState& state, os_timer_t& timer, const ChipRunHooks& hooks);

// Gives the record to every sink in turn; a sink that fails turns a passed run into status
// 70, which the later sinks see.
void store_record(LogRecord& record, const std::vector<LogSink*>& sinks);

} // namespace quarnel
