// The host's reason for the last failed system call made through platform/.
#pragma once

#include <string>

namespace platform {

// Text of the last system failure recorded by a platform call: on Windows the
// system's message for GetLastError(), elsewhere its analogue. Empty when none.
const std::string& last_system_error();

// Records strerror(errno) as the last system failure.
void record_errno();

// Records an explicit text as the last system failure.
void record_system_error(std::string text);

} // namespace platform
