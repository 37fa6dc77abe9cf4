// Turning whatever ends a step of the run into its printed text and exit status.
#pragma once

#include <functional>

namespace quarnel {

// Runs `step`; returns 0 when it returns, else prints the ending and returns
// its status: "Can't allocate memory" and 60 for memory exhaustion, what()
// and the code for the app_error family, what() and 255 for any other
// standard exception.
int run_reporting_errors(const std::function<void()>& step);

} // namespace quarnel
