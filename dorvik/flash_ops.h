// Whole-flash read, page write and verify.
#pragma once

#include "dorvik/run_state.h"

namespace dorvik {

// Fills `image` (flash_size bytes, words little-endian) from the chip. 0, or
// -1 after its message when the chip lost step (the image is then no copy).
int read_flash(Image& image);

// Writes `image` into erased flash page by page, leaving out pages that are
// all 0xFF, then enables programming again and verifies every word.
// 0, or -1 when a page never finished, the re-enable failed or the verify
// found a difference.
int write_flash(const Image& image);

} // namespace dorvik
