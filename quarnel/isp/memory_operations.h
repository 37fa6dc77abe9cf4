// Whole-memory operations: program, read, verify and blank check with progress.
#pragma once

#include "quarnel/common/memory_slot.h"

namespace quarnel {

class PortionList;
struct IspSession;

// Writes every byte of the image into `memory`; failures end the run.
void program_memory(IspSession& session, memory_slot memory, const PortionList& image);

// Appends the whole memory to `image` in chunks of 512 (flash) or 32 (EEPROM) bytes.
void read_memory(IspSession& session, memory_slot memory, PortionList& image);

// True when the chip holds the image and, where checked, the free positions are blank.
bool verify_memory(IspSession& session, memory_slot memory, const PortionList& image);

// Bits of `which` and of the result: BLANK_CODE, BLANK_DATA (result: not blank).
enum blank_memories : unsigned { BLANK_NONE = 0, BLANK_CODE = 1, BLANK_DATA = 2 };
unsigned blank_check_memories(IspSession& session, unsigned which);

} // namespace quarnel
