// The usage text.
#pragma once

namespace dorvik {

// Prints the version line that opens the usage text, without its indent (--version).
void print_version();

// Prints the 33 lines of the usage text.
void print_usage();

} // namespace dorvik
