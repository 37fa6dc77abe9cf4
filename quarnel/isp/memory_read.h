// Reading flash and EEPROM in blocks: one reader per operation.
#pragma once

#include "quarnel/common/memory_slot.h"

#include <cstdint>

namespace quarnel {

class programmer_t;
struct IspSession;

// Bytes read at once by the whole-memory operations: 512 flash, 32 EEPROM.
long chunk_size(memory_slot memory);

// True when every byte is 0xFF (also for a count of 0).
bool all_ff(const std::uint8_t* bytes, long count);

// Reads blocks of either memory. Flash is split at 128 KB blocks; on a row with more flash the
// extended address byte goes before the first read of each block it has not set yet.
class MemoryReader {
  public:
    MemoryReader(programmer_t& programmer, bool extended_addressing);
    // The reader of the row in force.
    explicit MemoryReader(const IspSession& session);

    void read(memory_slot memory, std::uint8_t* buffer, long address, long count);

  private:
    void read_flash(std::uint8_t* buffer, long address, long count);

    programmer_t& programmer;
    const bool extended_addressing;
    long extended_set_by = -1; // the address that last set the extended address byte
};

} // namespace quarnel
