// Rules that reject contradictory or incomplete requests before any hardware is touched.
#pragma once

#include "quarnel/devices/fuse_request.h"
#include "quarnel/run/run_options.h"

namespace quarnel {

// Applies the rules in their fixed order, parsing the -f list into `fuses` on
// the way; the first failure prints its message and raises app_error 70.
void check_command(const RunOptions& options, FuseRequest& fuses);

} // namespace quarnel
