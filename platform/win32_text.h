// Texts of Windows error codes, for the platform's own Windows files.
#pragma once

#include <string>

namespace platform {

// The system's message for `code` (FormatMessageA, system default language), without the line
// end the system puts after it; "error <code>" when the system has no text for it.
std::string win32_message(unsigned long code);

// Records the message of GetLastError() as the last system failure.
void record_last_error();

// The errno value closest to a Windows error code (EIO when none is close).
int errno_of_win32(unsigned long code);

} // namespace platform
