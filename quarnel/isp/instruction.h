// Four-byte ISP instructions: the echo test and the builders for memory access.
#pragma once

#include "quarnel/common/memory_slot.h"
#include "quarnel/isp/isp_opcodes.h"

#include <array>
#include <cstdint>

namespace quarnel {

using Instruction = std::array<std::uint8_t, 4>;

// Prints "\nSynchronisation lost\n" and ends the run with status 40.
[[noreturn]] void raise_sync_lost();

// The second reply byte must echo the first instruction byte.
void check_echo(const Instruction& command, const Instruction& reply);

// Read flash byte (0x20/0x28 by address parity) or Read EEPROM byte.
Instruction read_instruction(memory_slot memory, long address);
// Write flash byte / Load flash page byte (0x40/0x48) or Write EEPROM byte (0xC0).
Instruction write_instruction(memory_slot memory, long address, std::uint8_t value);
// Write flash page of the page holding the byte address.
Instruction page_write_instruction(long address);
// Load extended address: flash address bits 17 and up.
Instruction extended_address_instruction(long address);

inline constexpr Instruction poll_ready_instruction = {isp_opcode::poll_ready, 0x00, 0xFF, 0x00};

} // namespace quarnel
