// Reading flash and EEPROM in blocks, with the extended address where the row needs it.
#include "quarnel/isp/memory_read.h"

#include "quarnel/devices/current_device.h"
#include "quarnel/isp/programmer.h"
#include "quarnel/isp/session.h"

#include <algorithm>

namespace quarnel {

namespace {
constexpr long block_size = 0x20000; // flash reachable without the extended address byte
} // namespace

long chunk_size(memory_slot memory) {
    return memory == SLOT_DATA ? 32 : 512;
}

bool all_ff(const std::uint8_t* bytes, long count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0xFF; });
}

MemoryReader::MemoryReader(programmer_t& isp, bool extended)
    : programmer(isp), extended_addressing(extended) {}

MemoryReader::MemoryReader(const IspSession& session)
    : MemoryReader(session.isp(), session.current_device().flash_size > block_size) {}

void MemoryReader::read(memory_slot memory, std::uint8_t* buffer, long address, long count) {
    if (memory == SLOT_CODE) {
        read_flash(buffer, address, count);
    } else if (count > 0) {
        programmer.read_block(SLOT_DATA, address, count, buffer, false);
    }
}

void MemoryReader::read_flash(std::uint8_t* buffer, long address, long count) {
    while (count > 0) {
        const long block_end = (address | (block_size - 1)) + 1;
        const long part = std::min(count, block_end - address);
        const bool extended = extended_addressing && (address >> 17) != (extended_set_by >> 17);
        if (extended) {
            extended_set_by = address;
        }
        programmer.read_block(SLOT_CODE, address, part, buffer, extended);
        buffer += part;
        address += part;
        count -= part;
    }
}

} // namespace quarnel
