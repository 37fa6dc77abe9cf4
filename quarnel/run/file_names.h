// File names of the command line, with their optional format prefix.
#pragma once

#include "quarnel/run/run_options.h"

namespace quarnel {

// Stores `text` as the file of `slot`: ":ihex:" or ":bin:" (any case) may
// select the format; errors print their message and raise app_error 70.
void set_file(RunOptions& options, memory_slot slot, const char* text);

} // namespace quarnel
