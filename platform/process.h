// Processes as the temporary-file cleanup sees them.
#pragma once

#include <string>

namespace platform {

// This process's id.
long current_process_id();

// True when no process `pid` runs any more (this process never counts as gone).
bool process_gone(long pid);

} // namespace platform
