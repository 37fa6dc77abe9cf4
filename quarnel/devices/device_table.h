// The device catalogue: every device the programmer knows, in listing order.
#pragma once

#include "quarnel/devices/device_info.h"

namespace quarnel {

// Number of devices; device_table[device_count] is the end row, whose names is nullptr.
inline constexpr int device_count = 112;

// Row order matters: lookup by name takes the first match and the help lists
// rows in this order.
extern const DeviceInfo device_table[device_count + 1];

} // namespace quarnel
