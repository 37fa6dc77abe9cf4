// Chip after chip on one adapter: --repeat.
#pragma once

#include "quarnel/devices/fuse_request.h"
#include "quarnel/line/log_sink.h"
#include "quarnel/run/run_options.h"

#include <vector>

namespace quarnel {

// Runs the checked request chip after chip: waits until a chip answers (Programming Enable
// tried about three times a second, the lines safe in between), runs the request on it, prints
// one result line with the running pass and fail counts, waits until the chip is gone, and
// again. A user break ends the loop with the totals. Returns 0 when the last chip passed,
// else its status (the break's status when no chip was run). Each chip's record goes to
// every sink.
int run_repeat(const RunOptions& options, const FuseRequest& fuses,
               const std::vector<LogSink*>& sinks);

} // namespace quarnel
