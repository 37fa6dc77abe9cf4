// The usage text.
#pragma once

namespace dorvik {

// Prints the 33 lines of the usage text.
void print_usage();

} // namespace dorvik
