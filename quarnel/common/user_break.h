// Ctrl-C and termination requests, turned into status 80 at fixed poll points.
#pragma once

namespace quarnel {

// Installs the break handlers on its first call; raises app_error 80 after
// printing "\nTerminated by user (<signal>)\n\n" when a break has arrived.
void poll_user_break();

} // namespace quarnel
