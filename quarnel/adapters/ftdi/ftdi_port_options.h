// The -p text of an FTDI adapter: which device to open.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <string_view>

namespace quarnel {

// Applies the comma-separated options "d=<description>", "s=<serial number>" and the
// hexadecimal USB IDs "v=<vendor>", "p=<product>" in order (a later one replaces an earlier
// one of the same letter). Anything else logs its reason and raises app_error 70.
void parse_ftdi_port_options(std::string_view port_spec, ftdi_device_params_t& request);

// The options after the '?' of a listing request: only "v=" and "p=" are taken (and checked).
void parse_ftdi_listing_options(std::string_view port_spec, ftdi_device_params_t& request);

// USB product ID that FTDI gives a chip type (0x6010 for the FT2232C/D/H ...).
std::uint16_t default_ftdi_product_id(ftdi_chip_type chip_type);

// Factory description of the first MPSSE channel of a chip type ("Dual RS232 A" ...), or of
// the FT232R.
const char* default_ftdi_description(ftdi_chip_type chip_type);

} // namespace quarnel
