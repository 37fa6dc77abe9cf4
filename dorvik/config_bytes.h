// Chip erase and the fuse and lock bytes.
#pragma once

#include <cstdint>

namespace dorvik {

// Erases flash and EEPROM; the caller enables programming again afterwards.
void erase_chip();

// Each write reads the byte back: 1 when it holds the value, -1 otherwise.
int write_fuse_low(std::uint8_t value);
int write_fuse_high(std::uint8_t value);
int write_fuse_ext(std::uint8_t value);
int write_lock(std::uint8_t value);

std::uint8_t read_fuse_low();
std::uint8_t read_fuse_high();
std::uint8_t read_fuse_ext();

// The lock byte, read without a message.
std::uint8_t read_lock_bits();

// Prints "  Read lock bits" (the report that follows ends the line) and
// returns the lock byte.
std::uint8_t read_lock();

} // namespace dorvik
