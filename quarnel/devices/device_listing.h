// The help listings: all supported devices, and the fuses of one device.
#pragma once

// "Supported devices" block of the usage text.
void list_supported_devices();

// Fuses of the device named `name`, as printed for +name -?.
void list_device_fuses(const char* name);
