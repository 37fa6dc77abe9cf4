// Run state of the programming session: programmer, identity, lock and erase facts, waits,
// settings, progress.
#pragma once

#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/memory_slot.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/fuse_request.h"
#include "quarnel/isp/write_waits.h"

#include <cstdint>

namespace quarnel {

class programmer_t;

// Progress display of the whole-memory operations.
struct Progress {
    os_timer_t timer;
    long counter = 0;
    long unit = 512;
    long done = 0;        // bytes handled so far
    long total = 0;       // bytes the operation expects to handle
    bool rewrite = false; // one line rewritten in place instead of dots
};

// Lock levels read from the chip; -1 when they cannot be read.
inline constexpr int LOCK_UNKNOWN = -1;

// What the session's operations take from the command line.
struct IspSettings {
    float inactive_reset_ms = 2.0f; // reset released after a chip erase
    bool erase_counter = false;     // the top two flash bytes hold the erase counter
    bool preserve_eeprom = false;   // EEPROM written whole after an erase that kept it
    bool write_poll = false;        // RDY/BSY polling instead of the catalogue waits
    bool write_fill_eeprom = false; // free EEPROM positions written with 0xFF
    bool verify_all = false;        // free positions verified blank too
};

// What a chip erase of this run left behind.
struct EraseFacts {
    bool erased = false;      // the chip was erased in this run
    bool eeprom_kept = false; // that erase left the EEPROM as it was (EESAVE)

    // True when the erase left `memory` blank (all 0xFF).
    bool left_blank(memory_slot memory) const {
        return erased && (memory == SLOT_CODE || !eeprom_kept);
    }
};

struct IspSession {
    programmer_t* programmer = nullptr; // owned by the run sequence
    DeviceSelection device;             // requested and identified rows
    FuseRequest fuses{};                // the -f request, with the bytes read from the chip
    IspSettings settings;
    WriteWaits waits; // of the row in force, set by the run sequence once it is known
    int lock_state = LOCK_UNKNOWN;
    bool target_active = false;
    std::uint8_t calibration[4] = {}; // oscillator calibration bytes, read_osccal
    EraseFacts erase;
    Progress progress;

    // The programmer; the run sequence sets it before any chip access.
    programmer_t& isp() const { return *programmer; }
    // The catalogue row in force (DeviceSelection::current).
    const DeviceInfo& current_device() const { return device.current(); }
};

// Flash bytes of the row in force available to images: less the erase
// counter's two bytes when it is on.
long usable_flash_size(const IspSession& session);

// Display name of the row in force.
const char* current_device_name(const IspSession& session);

} // namespace quarnel
