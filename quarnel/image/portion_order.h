// Sorting a memory image by address and checking its portions for overlaps.
#pragma once

#include "quarnel/image/portion_list.h"

namespace quarnel {

// Reorders the portions by ascending start, then ascending last address.
void sort_portions(PortionList& image);

// Warns about overlaps with equal data; prints the error and raises app_error 50
// at the first overlap with different data. `image` must be sorted.
void check_overlaps(const PortionList& image);

// Both, as done after reading a HEX file into a non-empty image.
void sort_and_check_overlaps(PortionList& image);

} // namespace quarnel
