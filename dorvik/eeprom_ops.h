// Whole-EEPROM read, write and verify.
#pragma once

#include "dorvik/run_state.h"

namespace dorvik {

enum class EepromWriteMode {
    EEPROM_WRITE_ALL,         // every byte, 0xFF included, with a fixed wait
    EEPROM_WRITE_SKIP_ERASED, // after a chip erase: 0xFF bytes are left out, the rest polled
};

// Fills `image` (eeprom_size bytes) from the chip. 0, or -1 after its message
// when the chip lost step (the image is then no copy).
int read_eeprom(Image& image);

// Writes `image` and verifies it. 0, or -1 when the verify found a difference
// or a byte never finished writing.
int write_eeprom(const Image& image, EepromWriteMode mode);

} // namespace dorvik
