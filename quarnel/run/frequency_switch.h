// The clock switch: -o#[Hz|kHz|MHz], -os#[Hz|kHz|MHz] and -o0[,#].
#pragma once

#include "quarnel/run/run_options.h"

namespace quarnel {

// `letter` is the switch letter as typed, `value` the text after it. Sets
// osc_hz, sck_given and sck_divider; errors print their message and raise
// app_error 70.
void parse_frequency_switch(char letter, const char* value, RunOptions& options);

} // namespace quarnel
