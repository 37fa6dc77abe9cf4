// How long the virtual chip stays busy after a write or erase, and what it reads meanwhile.
#pragma once

#include <cstdint>

namespace quarnel {
struct DeviceInfo;
}

namespace avrsim {

using quarnel::DeviceInfo;

// Self-timed operations of the chip.
enum class busy_kind { none, flash, eeprom, erase, fuse };

// Busy time in microseconds, before the chip's busy-time scale. Real silicon finishes
// well inside the catalogue's waits (ATmega328P: flash page 4.5 ms against 6 ms, EEPROM
// byte 3.6 ms against 5 ms, chip erase 9 ms against 20 ms); the same ratios serve every
// catalogue row. Fuse and lock writes take 4.5 ms.
double busy_time_us(const DeviceInfo& info, busy_kind kind);

// What a read of the memory being written returns while the write is running, by poll
// code: the datasheets' data-polling values, 0xFF where nothing is documented.
//   0  timed writes only: 0xFF
//   1  0x00 during the first half of the write, 0xFF during the second (neither can be polled)
//   2  0x80 during the first half (auto-erase), 0x7F during the second
//   3  0x7F
//   4  0xFF
//   5  0xFF (the chip also has RDY/BSY)
// `progress` runs from 0 at the start of the write to 1 at its end.
std::uint8_t busy_read_value(int poll_code, double progress);

// True when the chip answers Poll RDY/BSY (poll code 5 for flash or EEPROM).
bool has_ready_busy(const DeviceInfo& info);

} // namespace avrsim
