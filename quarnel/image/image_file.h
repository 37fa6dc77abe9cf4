// Reading and writing a memory image in the format a FileSpec names.
#pragma once

#include "quarnel/image/portion_list.h"
#include "quarnel/run/run_options.h"

// Fills the empty `image` from the file that `file` names (Intel HEX or binary).
// Does nothing when it names none.
void read_image_file(PortionList& image, const FileSpec& file);

// Writes `image` to the file that `file` names, honouring options.read_keep_ff. The
// existing file is replaced only by complete new content. Returns false after
// a failed write: "<name> - write error" is printed, the partial content is
// deleted and the run goes on; the failure is also remembered for
// image_write_failed(). A file that cannot be created ends the run (status 70).
[[nodiscard]] bool write_image_file(const PortionList& image, const FileSpec& file);

// True once any write_image_file of this run has failed. The run sequence
// checks it at the end, so that a lost output file never ends with success.
bool image_write_failed();
