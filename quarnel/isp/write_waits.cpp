// The waits of the row in force.
#include "quarnel/isp/write_waits.h"

#include "quarnel/devices/device_info.h"

namespace quarnel {

WriteWaits write_waits(const DeviceInfo& device, float factor) {
    const bool paged = device.flash_page != 0;
    const float flash_time = static_cast<float>(device.flash_write_ms) * factor;
    WriteWaits waits;
    waits.erase = static_cast<float>(device.erase_ms) * factor;
    waits.flash_byte = paged ? 0.0f : flash_time;
    waits.flash_page = paged ? flash_time : 0.0f;
    waits.eeprom_byte = static_cast<float>(device.eeprom_write_ms) * factor;
    return waits;
}

} // namespace quarnel
