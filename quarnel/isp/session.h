// Run state of the programming session: adapter, lock state, target activity, progress.
#pragma once

#include "quarnel/adapters/os_timer.h"
#include "quarnel/isp/programming_state.h"

#include <cstdint>

class spi_t;

// Progress display of the whole-memory operations.
struct Progress {
    os_timer_t timer;
    long counter = 0;
    long unit = 512;
};

// Lock levels read from the chip; -1 when they cannot be read.
inline constexpr int LOCK_UNKNOWN = -1;

// The identified row is detected_index (quarnel/devices/current_device.h),
// which current_device() needs as well.
struct IspSession {
    spi_t* adapter = nullptr; // owned by the run sequence
    int lock_state = LOCK_UNKNOWN;
    bool target_active = false;
    std::uint8_t calibration[4] = {}; // oscillator calibration bytes, read_osccal
    ProgrammingState prog;
    Progress progress;

    // The adapter; the run sequence sets it before any chip access.
    spi_t& spi() const { return *adapter; }
};

// Flash bytes of current_device() available to images: less the erase
// counter's two bytes when it is on.
long usable_flash_size();

// Display name of the row in force.
const char* current_device_name();
