// The full programming run of -wf.
#pragma once

#include "dorvik/command_line.h"
#include "dorvik/run_end.h"

namespace dorvik {

// Programs flash from the -wf file with its serial number, EEPROM (from -we
// files, or kept from the chip), fuses and lock bits.
RunEnd full_program(const Args& args);

} // namespace dorvik
