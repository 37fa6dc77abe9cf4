// Reading Motorola S-record files into a memory image.
#pragma once

#include "quarnel/image/portion_list.h"

namespace quarnel {

// Fills the empty `image` from the S-record file `path`: S0 is skipped, S1, S2 and S3
// give data at 16-, 24- and 32-bit addresses, S5 and S6 must count the data records
// before them, and S7, S8 or S9 ends the file (what follows is not read); without one the
// file's end ends it, as srec_cat writes files without a start address. A bad line, a
// wrong checksum or a wrong count names its line number and ends the run with status 50.
// The image is sorted and checked for overlaps.
void read_srec_file(PortionList& image, const char* path);

} // namespace quarnel
