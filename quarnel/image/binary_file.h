// Raw binary files: reading into and writing from a memory image.
#pragma once

#include "quarnel/image/hex_writer.h"
#include "quarnel/image/portion_list.h"

#include <cstdint>
#include <cstdio>

namespace quarnel {

// Fills the empty `image` from `path` in portions of 4096 bytes at their file
// offsets. An empty file leaves the image empty.
void read_binary_file(PortionList& image, const char* path);

// Length of the binary file for `image`: with `keep`, the end of the last
// portion; otherwise just past the last byte other than 0xFF, rounded up to a
// whole 16-bit word, and at least 2.
std::int64_t binary_file_length(const PortionList& image, ff_lines ff);

// Writes the image's bytes up to binary_file_length, taking the portions to
// lie contiguously from address 0. Failures show in the stream's error state.
void write_binary_image(const PortionList& image, std::FILE* out, ff_lines ff);

} // namespace quarnel
