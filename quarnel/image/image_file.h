// Reading and writing a memory image in the format a FileSpec names.
#pragma once

#include "quarnel/image/file_config.h"
#include "quarnel/image/hex_reader.h"
#include "quarnel/image/named_file.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/image/record_text.h"

namespace quarnel {

// What one input file holds.
struct InputFile {
    file_format format = FILE_IHEX; // as read: by its prefix or, without one, by its content
    PortionList image;              // all data of a HEX, binary or S-record file; an ELF's flash
    PortionList eeprom;             // an ELF's EEPROM
    FileConfig config;              // an ELF's fuse, lock and signature bytes
};

// Reads the file that `file` names; an empty result when it names none.
// `ignore_checksums` answers the question a HEX checksum error asks.
InputFile read_input_file(const FileSpec& file, const checksum_question& ignore_checksums);

// The format a file without a prefix is read in: ELF when it starts with the ELF magic,
// S-records when its first record starts with "S" and a digit, else Intel HEX.
file_format detect_file_format(const char* path);

// Writes `image` to the file that `file` names (Intel HEX, binary or S-records); `ff`
// says whether lines or trailing bytes of 0xFF are written. The existing file is
// replaced only by complete new content. Returns false after a failed write: "<name> -
// write error" is printed, the partial content is deleted and the run goes on, so
// the caller must end it with a failure status. A file that cannot be created
// ends the run (status 70).
[[nodiscard]] bool write_image_file(const PortionList& image, const FileSpec& file, ff_lines ff);

} // namespace quarnel
