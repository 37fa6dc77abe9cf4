// Factory state of a virtual chip: erased memories, delivery fuses, calibration bytes.
#include "sim/chip_state.h"

#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"

namespace avrsim {

using quarnel::device_table;
using quarnel::find_device;

const DeviceInfo& ChipState::info() const {
    return device_table[device];
}

namespace {

// Delivery values of the low, high and extended fuse bytes of common chips (datasheet
// defaults, SPIEN programmed); every other chip comes with all fuse bits unprogrammed.
struct FactoryFuses {
    const char* name;
    std::uint8_t low, high, ext;
};

constexpr FactoryFuses factory_fuses[] = {
    {"mega8", 0xE1, 0xD9, 0xFF},    {"mega16", 0xE1, 0x99, 0xFF},    {"mega32", 0xE1, 0x99, 0xFF},
    {"mega64", 0xE1, 0x99, 0xFD},   {"mega128", 0xE1, 0x99, 0xFD},   {"mega48", 0x62, 0xDF, 0xFF},
    {"mega88", 0x62, 0xDF, 0xF9},   {"mega168", 0x62, 0xDF, 0xF9},   {"mega328", 0x62, 0xD9, 0xFF},
    {"mega328P", 0x62, 0xD9, 0xFF}, {"tiny13", 0x6A, 0xFF, 0xFF},    {"tiny2313", 0x64, 0xDF, 0xFF},
    {"tiny25", 0x62, 0xDF, 0xFF},   {"tiny45", 0x62, 0xDF, 0xFF},    {"tiny85", 0x62, 0xDF, 0xFF},
    {"mega644P", 0x62, 0x99, 0xFF}, {"mega1284P", 0x62, 0x99, 0xFF}, {"mega2560", 0x62, 0x99, 0xFF},
    {"mega1280", 0x62, 0x99, 0xFF},
};

} // namespace

ChipState factory_chip(int device) {
    ChipState chip;
    chip.device = device;
    const DeviceInfo& info = device_table[device];
    chip.flash.assign(static_cast<std::size_t>(info.flash_size), 0xFF);
    chip.eeprom.assign(static_cast<std::size_t>(info.eeprom_size), 0xFF);
    for (const FactoryFuses& row : factory_fuses) {
        if (find_device(row.name) == device) {
            chip.fuses[1] = row.low;
            chip.fuses[2] = row.high;
            chip.fuses[3] = row.ext;
        }
    }
    // Calibration bytes differ from chip to chip; these are typical values.
    const std::uint8_t typical[4] = {0xA7, 0x9C, 0xA3, 0xB1};
    for (int index = 0; index < info.osccal_count && index < 4; ++index) {
        chip.calibration[index] = typical[index];
    }
    return chip;
}

} // namespace avrsim
