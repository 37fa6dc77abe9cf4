// Reading Intel HEX files into a memory image.
#pragma once

#include "quarnel/image/portion_list.h"

#include <functional>

namespace quarnel {

// Highest byte address a file may give data for.
inline constexpr long long image_address_limit = 0x7FFFFFFF;

// Fills the empty `image` from the Intel HEX file `path`, gathering data
// records into portions of up to 4096 bytes, then sorts the image and checks it
// for overlaps. Bad input is reported and ends the run with status 50; at a
// checksum error the question is printed and `ignore_checksums` answers it:
// true ignores every checksum error of this file, false ends the run (50).
using checksum_question = std::function<bool()>;
void read_hex_file(PortionList& image, const char* path, const checksum_question& ignore_checksums);

} // namespace quarnel
