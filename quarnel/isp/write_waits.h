// The waits of the row in force, scaled by the run's slow-down factor.
#pragma once

namespace quarnel {

struct DeviceInfo;

// Milliseconds. Until a row is known only the erase wait has a value.
struct WriteWaits {
    float erase = 50.0f;      // after a chip erase and a lock write
    float flash_byte = 0.0f;  // flash byte write of a row without pages
    float flash_page = 0.0f;  // flash page write of a row with pages
    float eeprom_byte = 0.0f; // EEPROM byte write; four of them after a fuse write
};

WriteWaits write_waits(const DeviceInfo& device, float factor);

} // namespace quarnel
