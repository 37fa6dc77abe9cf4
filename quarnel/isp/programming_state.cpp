// Programming state of a run: the waits and writers for the row in force.
#include "quarnel/isp/programming_state.h"

#include "quarnel/devices/device_info.h"
#include "quarnel/isp/memory_write.h"

namespace quarnel {

void prepare_timing(ProgrammingState& state, const DeviceInfo& device, float factor) {
    state.paged = device.flash_page != 0;
    state.page_mask = state.paged ? device.flash_page - 1 : 0;
    state.erase_time = static_cast<float>(device.erase_ms) * factor;
    const float flash_time = static_cast<float>(device.flash_write_ms) * factor;
    state.flash_byte_time = state.paged ? 0.0f : flash_time;
    state.page_time = state.paged ? flash_time : 0.0f;
    state.eeprom_time = static_cast<float>(device.eeprom_write_ms) * factor;
    state.writers[SLOT_CODE] = state.paged ? load_page_byte : program_byte;
    state.writers[SLOT_DATA] = program_byte;
}

bool erased_blank(const ProgrammingState& state, memory_slot memory) {
    return state.erased && (memory == SLOT_CODE || !state.eeprom_kept);
}

} // namespace quarnel
