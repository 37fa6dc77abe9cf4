// Pin maps of the built-in parallel-port adapters.
#pragma once

#include "quarnel/adapters/pinmap.h"

namespace quarnel {

extern const pinmap_t kelma_pinmap;
extern const pinmap_t xilinx_pinmap;
extern const pinmap_t stk_pinmap;
extern const pinmap_t byteblaster_pinmap;
extern const pinmap_t byteblaster2_pinmap;

} // namespace quarnel
