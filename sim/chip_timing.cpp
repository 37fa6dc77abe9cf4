// Busy times and data-polling values of the virtual chip.
#include "sim/chip_timing.h"

#include "quarnel/devices/device_info.h"

namespace avrsim {

using quarnel::POLL_DATA_7F;
using quarnel::POLL_DATA_807F;
using quarnel::POLL_DATA_FF00;
using quarnel::POLL_RDY_BSY;

double busy_time_us(const DeviceInfo& info, busy_kind kind) {
    switch (kind) {
    case busy_kind::flash:
        return info.flash_write_ms * 750.0;
    case busy_kind::eeprom:
        return info.eeprom_write_ms * 720.0;
    case busy_kind::erase:
        return info.erase_ms * 450.0;
    case busy_kind::fuse:
        return 4500.0;
    case busy_kind::none:
        break;
    }
    return 0.0;
}

std::uint8_t busy_read_value(int poll_code, double progress) {
    switch (poll_code) {
    case POLL_DATA_FF00:
        return progress < 0.5 ? 0x00 : 0xFF;
    case POLL_DATA_807F:
        return progress < 0.5 ? 0x80 : 0x7F;
    case POLL_DATA_7F:
        return 0x7F;
    default:
        return 0xFF;
    }
}

bool has_ready_busy(const DeviceInfo& info) {
    return info.flash_poll == POLL_RDY_BSY || info.eeprom_poll == POLL_RDY_BSY;
}

} // namespace avrsim
