// GPIO line names of the FTDI chips and the default MPSSE adapter wiring.
#pragma once

#include "quarnel/adapters/pinmap.h"

namespace quarnel {

// Bits of the 16-bit GPIO image: 0-7 the low byte (ADBUS/DBUS), 8-15 the high byte (ACBUS/CBUS).
inline constexpr std::uint32_t MPSSE_SCK_LINE = 0x0001;
inline constexpr std::uint32_t MPSSE_MOSI_LINE = 0x0002;
inline constexpr std::uint32_t MPSSE_MISO_LINE = 0x0004;

// FT2232C/D: adbus0-7, acbus0-3.
extern const pin_table_t ft2232_pin_table;
// FT4232H: dbus0-7.
extern const pin_table_t ft4232h_pin_table;
// FT2232H and FT232H: dbus0-7, cbus0-7.
extern const pin_table_t ft2232h_pin_table;

// "FT2232 MPSSE": sck, mosi and miso on their MPSSE lines, reset on bit 3.
const pinmap_t& default_mpsse_pinmap();

} // namespace quarnel
