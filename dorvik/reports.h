// Bit-by-bit reports of the fuse and lock bytes, chosen by state.device_name.
#pragma once

#include <cstdint>

namespace dorvik {

void print_fuse_low_report(std::uint8_t value);
void print_fuse_high_report(std::uint8_t value);
// Prints nothing for devices without a known extended fuse layout.
void print_fuse_ext_report(std::uint8_t value);
void print_lock_report(std::uint8_t value);

} // namespace dorvik
