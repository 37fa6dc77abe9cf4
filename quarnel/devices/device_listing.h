// The help listings: all supported devices, and the fuses of one device.
#pragma once

#include "quarnel/devices/device_info.h"

namespace quarnel {

// "Supported devices" block of the usage text, for the catalogue.
void list_supported_devices();

// The same block for `rows`, ended by a row whose names is nullptr.
void list_supported_devices(const DeviceInfo* rows);

// Fuses of the device named `name`, as printed for +name -?.
void list_device_fuses(const char* name);

} // namespace quarnel
