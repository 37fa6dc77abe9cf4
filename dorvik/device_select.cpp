// Device rows, matched by name prefix in table order.
#include "dorvik/device_select.h"

#include "dorvik/run_state.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace dorvik {
namespace {

struct DeviceRow {
    std::string_view name;
    std::uint32_t flash_size;
    std::uint32_t eeprom_size;
    std::uint32_t page_mask;
    bool has_ext_fuse; // false: the flag is left as it is
};

// Longer names must come before their own prefixes ("atmega164" before
// "atmega16"); a name such as "atmega88" takes the row of "atmega8".
constexpr std::array<DeviceRow, 11> device_rows{{
    {"atmega48", 4096, 256, 31, true},
    {"atmega8", 8192, 512, 31, false},
    {"atmega164", 16384, 512, 63, false},
    {"atmega168", 16384, 512, 63, false},
    {"atmega169", 16384, 512, 63, false},
    {"atmega16", 16384, 512, 63, false},
    {"atmega324", 32768, 1024, 63, false},
    {"atmega32", 32768, 1024, 63, false},
    {"atmega644", 65536, 2048, 127, true},
    {"atmega64", 65536, 2048, 127, true},
    // Only the lower 64 KB of its flash are reached.
    {"atmega128", 65536, 4096, 127, true},
}};

} // namespace

int select_device() {
    const std::string_view name = state.device_name;
    for (const DeviceRow& row : device_rows) {
        if (!name.starts_with(row.name)) {
            continue;
        }
        state.flash_size = row.flash_size;
        state.eeprom_size = row.eeprom_size;
        state.page_mask = row.page_mask;
        if (row.has_ext_fuse) {
            state.has_ext_fuse = true;
        }
        state.serial_length = 2;
        state.serial_address = row.flash_size - 2;
        return 0;
    }
    return -1;
}

} // namespace dorvik
