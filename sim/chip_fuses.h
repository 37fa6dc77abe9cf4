// Fuse and lock bytes as each catalogue lock and fuse format stores and shows them.
#pragma once

#include <cstdint>

namespace avrsim {

struct ChipState;

// Bits of fuse byte `index` (0 lock, 1 low, 2 high, 3 extended) that exist on the chip.
std::uint8_t existing_fuse_bits(const ChipState& chip, int index);

// Bits outside the layout cannot be changed through the serial interface: they keep their
// factory value (1, or 0 for SPIEN where the chip's delivery values are known).

// 0 not locked, 1 programming disabled, 2 reading and programming disabled.
int lock_level(const ChipState& chip);

// True when the chip keeps its EEPROM through a chip erase (EESAVE programmed).
bool eeprom_saved_on_erase(const ChipState& chip);

// Reply of Read Lock Bits (0x58 0x00) in the chip's lock format; on single-fuse chips of
// fuse format 1 the fuse bit shares the byte.
std::uint8_t lock_read_reply(const ChipState& chip);

// Programs the lock bits cleared in `value`; programmed bits stay programmed until an erase.
void program_lock_byte(ChipState& chip, std::uint8_t value);

// Lock write of lock formats 0 to 2: bit 1 of the second instruction byte is LB1, bit 2 LB2.
void program_old_lock_bits(ChipState& chip, std::uint8_t second_byte);

// Writes the existing bits of fuse byte `index`; they can be programmed and released at will.
void write_fuse_byte(ChipState& chip, int index, std::uint8_t value);

// Chip erase: every lock bit back to 1.
void release_lock_bits(ChipState& chip);

} // namespace avrsim
