// The run sequence as main sees it: the run itself and the target it leaves behind.
#pragma once

#include "quarnel/run/run_state.h"

#include <functional>

namespace quarnel {

// Takes the parsed and checked options into the session and production settings.
void settle_run(RunState& run);

// Loads the files, creates the adapter, powers the target and runs the
// requested operations; failures raise the app_error family. `before_operations`,
// when given, runs with the target powered and the images loaded, right before
// the first chip operation.
void run_sequence(RunState& run, const std::function<void(RunState&)>& before_operations = {});

// Releases the target (reset, adapter enable, power) when it was powered up;
// does nothing otherwise.
void release_run_target(RunState& run);

} // namespace quarnel
