// The usage text of the help screen.
#pragma once

namespace quarnel {

// Prints the two usage blocks at the normal level, as stored (a doubled
// percent sign shows doubled).
void print_usage();

} // namespace quarnel
