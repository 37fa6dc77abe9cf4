// Display names of D2XX status codes and of chip types, as D2XX names them.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <cstdint>

namespace quarnel {

// "FT_OK" ... "FT_DEVICE_LIST_NOT_READY"; "TOO HIGH ERROR CODE" above 19.
const char* ftdi_status_name(std::uint32_t status);

// "FT_DEVICE_BM" ... "FT_DEVICE_232H"; "TOO HIGH TYPE CODE" above 8.
const char* ftdi_type_name(ftdi_chip_type type);

} // namespace quarnel
