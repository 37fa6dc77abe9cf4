// Sizes and names of the row in force, as the session operations use them.
#include "quarnel/isp/session.h"

#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"

namespace quarnel {

long usable_flash_size(const IspSession& session) {
    return session.current_device().flash_size - (session.settings.erase_counter ? 2 : 0);
}

const char* current_device_name(const IspSession& session) {
    return device_display_name(static_cast<int>(&session.current_device() - device_table));
}

} // namespace quarnel
