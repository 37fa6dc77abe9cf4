// Writing a memory image as Intel HEX text.
#pragma once

#include "quarnel/image/portion_list.h"
#include "quarnel/image/record_text.h"

#include <cstdio>

namespace quarnel {

// Writes 16-byte data records counted from each portion's start, extended
// linear address records where the upper 16 address bits change, and the end
// record. Lines of only 0xFF bytes are left out, except at address 0, unless
// `keep` is given. Failures show in the stream's error state.
void write_hex_image(const PortionList& image, std::FILE* out, ff_lines ff);

} // namespace quarnel
