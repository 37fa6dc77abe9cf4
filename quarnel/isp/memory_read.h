// Reading flash and EEPROM: single bytes and blocks, packet-based or byte-wise.
#pragma once

#include "quarnel/common/memory_slot.h"

#include <cstdint>

namespace quarnel {

struct IspSession;

// Bytes read at once by the whole-memory operations: 512 flash, 32 EEPROM.
long chunk_size(memory_slot memory);

// One byte of the current memory.
std::uint8_t read_memory_byte(IspSession& session, long address);

// Flash, split at 128 KB blocks, with the extended address where the device needs it.
void read_flash_block(IspSession& session, std::uint8_t* buffer, long address, long count);
void read_eeprom_block(IspSession& session, std::uint8_t* buffer, long address, long count);
// A block of the current memory.
void read_block(IspSession& session, std::uint8_t* buffer, long address, long count);

// True when every byte is 0xFF (also for a count of 0).
bool all_ff(const std::uint8_t* bytes, long count);

} // namespace quarnel
