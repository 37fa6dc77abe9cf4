// Sizes and names of the row in force, as the session operations use them.
#include "quarnel/isp/session.h"

#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/run/run_options.h"

long usable_flash_size() {
    return current_device().flash_size - (options.erase_counter ? 2 : 0);
}

const char* current_device_name() {
    return device_display_name(static_cast<int>(&current_device() - device_table));
}
