// Reading Intel HEX files into a memory image.
#pragma once

#include "quarnel/image/portion_list.h"

// Highest byte address a file may give data for.
inline constexpr long long image_address_limit = 0x7FFFFFFF;

// Fills the empty `image` from the Intel HEX file `path`, gathering data
// records into portions of up to 4096 bytes, then sorts the image and checks it
// for overlaps. Bad input is reported and ends the run with status 50; a
// checksum error asks whether to ignore checksum errors in this file.
void read_hex_file(PortionList& image, const char* path);
