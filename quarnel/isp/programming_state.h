// Programming state of a run: waits, page handling, polling and the page-load buffer.
#pragma once

#include "quarnel/common/memory_slot.h"

#include <cstdint>
#include <vector>

namespace quarnel {

struct IspSession;
struct DeviceInfo;

// Writes one byte of the current memory; program_byte or load_page_byte.
using memory_writer = void (*)(IspSession& session, long address, std::uint8_t value);
void program_byte(IspSession& session, long address, std::uint8_t value); // memory_write.h

// How the end of a write is detected.
enum poll_mode : int { POLL_MODE_TIMED = 0, POLL_MODE_DATA = 1, POLL_MODE_READY = 2 };

struct ProgrammingState {
    memory_slot memory = SLOT_CODE; // current memory type
    bool erased = false;            // the chip was erased in this run
    bool eeprom_kept = false;       // that erase left the EEPROM as it was (EESAVE)
    bool paged = false;
    long page_mask = 0;
    float erase_time = 50.0f; // ms, also the wait after a lock write
    float flash_byte_time = 0.0f;
    float page_time = 0.0f;
    float eeprom_time = 0.0f;
    memory_writer writers[2] = {program_byte, program_byte}; // by memory_slot
    int poll = POLL_MODE_TIMED;
    std::uint8_t no_poll[2] = {0xFF, 0xFF};
    long poll_address = -1;
    std::uint8_t poll_value = 0xFF;
    // Last byte loaded into the page buffer (-1: no page open); during reads,
    // the address that last set the extended address byte.
    long open_page = -1;
    // Page-load instructions not sent yet, four bytes each.
    std::vector<std::uint8_t> load_buffer;
    long ff_fill_position = 0;
};

// True when an erase of this run left `memory` blank (all 0xFF).
bool erased_blank(const ProgrammingState& state, memory_slot memory);

// Fills the waits (scaled by `factor`), the page flag and mask and the two
// writers from `device`.
void prepare_timing(ProgrammingState& state, const DeviceInfo& device, float factor);

} // namespace quarnel
