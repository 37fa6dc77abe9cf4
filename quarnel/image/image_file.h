// Reading and writing a memory image in the format a FileSpec names.
#pragma once

#include "quarnel/image/hex_reader.h"
#include "quarnel/image/hex_writer.h"
#include "quarnel/image/named_file.h"
#include "quarnel/image/portion_list.h"

namespace quarnel {

// Fills the empty `image` from the file that `file` names (Intel HEX or binary).
// Does nothing when it names none. `ignore_checksums` answers the question a
// HEX checksum error asks.
void read_image_file(PortionList& image, const FileSpec& file,
                     const checksum_question& ignore_checksums);

// Writes `image` to the file that `file` names; `ff` says whether lines or
// trailing bytes of 0xFF are written. The existing file is replaced only by
// complete new content. Returns false after a failed write: "<name> - write
// error" is printed, the partial content is deleted and the run goes on, so
// the caller must end it with a failure status. A file that cannot be created
// ends the run (status 70).
[[nodiscard]] bool write_image_file(const PortionList& image, const FileSpec& file, ff_lines ff);

} // namespace quarnel
