// The full programming run of -wf.
#pragma once

#include "dorvik/run_end.h"

namespace dorvik {

// Programs flash from the -wf file with its serial number, EEPROM (from -we
// files, or kept from the chip), fuses and lock bits.
RunEnd full_program();

} // namespace dorvik
