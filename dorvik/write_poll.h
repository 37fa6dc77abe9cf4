// Bounded polling of a byte the chip is still writing.
#pragma once

#include <cstdint>

namespace dorvik {

// How long a flash page or EEPROM byte may take before the chip is judged
// stuck; the slowest devices here need about 10 ms.
inline constexpr unsigned WRITE_POLL_LIMIT_MS = 200;

using read_byte_fn = std::uint8_t (*)(std::uint32_t address);

// Reads `address` with `read` until it yields `expected`. True when it did;
// false after WRITE_POLL_LIMIT_MS, with "  Error: the chip did not finish
// writing address %04X.\n" printed.
bool poll_written_byte(read_byte_fn read, std::uint32_t address, std::uint8_t expected);

} // namespace dorvik
