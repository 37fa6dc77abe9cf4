// Parsing of the quarnel command line into the run options.
#pragma once

#include "quarnel/run/run_options.h"

namespace quarnel {

// Fills `options` from the arguments after the program name, left to right.
// Raises app_error 70 on a syntax error and app_error 0 after the help screen.
void parse_command_line(int argc, const char* const argv[], RunOptions& options);

} // namespace quarnel
