// Production-data switches: -C*, -C? and -D* followed by KEYWORD[count]=address[,value].
#pragma once

#include "quarnel/run/run_options.h"

#include <string_view>

namespace quarnel {

// `text` is the switch after its dash, for example "C*BYTES2=10,A55A". Fills
// the OSCCAL, SERNO or BYTES request of the run options; errors print their
// message and raise app_error 70.
void parse_insert_switch(std::string_view text, RunOptions& options);

} // namespace quarnel
