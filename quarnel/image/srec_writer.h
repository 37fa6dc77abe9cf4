// Writing a memory image as Motorola S-records.
#pragma once

#include "quarnel/image/portion_list.h"
#include "quarnel/image/record_text.h"

#include <cstdio>

namespace quarnel {

// Writes an S0 header, 16-byte data records (S1, S2 or S3, the shortest address form that
// holds the image's highest address, for every line) and the matching end record (S9, S8
// or S7). Lines are left out as the Intel HEX writer leaves them out. Failures show in the
// stream's error state.
void write_srec_image(const PortionList& image, std::FILE* out, ff_lines ff);

} // namespace quarnel
