// Processes as the temporary-file cleanup sees them.
#pragma once

#include <string>

namespace platform {

// This process's id.
long current_process_id();

// True when no process `pid` runs any more (this process never counts as gone).
bool process_gone(long pid);

// True when no process holds the file `path`: the writer of a temporary file holds it while
// it writes, so a free one can be removed.
bool held_by_nobody(const std::string& path);

} // namespace platform
