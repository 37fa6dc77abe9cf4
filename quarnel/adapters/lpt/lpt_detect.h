// Recognising buffered adapters by their loop-backs on the port.
#pragma once

#include "quarnel/adapters/lpt/lpt.h"

namespace quarnel {

enum class byteblaster_kind { none = 0, byteblaster = 1, byteblaster_mv = 2, byteblaster_2 = 3 };

// Which ByteBlaster, if any, answers on the port.
byteblaster_kind detect_byteblaster_kind(lpt_t& port);

// True when a ByteBlaster of any kind answers.
bool detect_byteblaster(lpt_t& port);

// True when an Atmel STK200 or STK300 adapter answers.
bool detect_stk(lpt_t& port);

} // namespace quarnel
