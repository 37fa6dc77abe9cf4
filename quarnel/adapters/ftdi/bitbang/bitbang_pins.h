// The eight bit-bang lines of the FT232R and X-series chips and the default ISP wiring.
#pragma once

#include "quarnel/adapters/pinmap.h"

namespace quarnel {

// FT232R and FT231X: TXD, RXD, RTS, CTS, DTR, DSR, DCD, RI, also named D0-D7.
extern const pin_table_t ft232r_pin_table;
// FT230X: TXD, RXD, RTS, CTS (D0-D3) only.
extern const pin_table_t ft230x_pin_table;

// "FT232R bit-bang": SCK on TXD, MISO on RXD, MOSI on RTS, RESET on DTR.
const pinmap_t& default_bitbang_pinmap();

} // namespace quarnel
