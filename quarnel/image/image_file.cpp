// Format dispatch for image files.
#include "quarnel/image/image_file.h"

#include "platform/replacement_file.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/image/binary_file.h"
#include "quarnel/image/hex_reader.h"
#include "quarnel/image/hex_writer.h"

namespace quarnel {

namespace {

bool names_file(const FileSpec& file) {
    return file.name && (file.format == FILE_IHEX || file.format == FILE_BIN);
}

} // namespace

void read_image_file(PortionList& image, const FileSpec& file,
                     const checksum_question& ignore_checksums) {
    if (!names_file(file)) {
        return;
    }
    if (file.format == FILE_IHEX) {
        read_hex_file(image, file.name->c_str(), ignore_checksums);
    } else {
        read_binary_file(image, file.name->c_str());
    }
}

bool write_image_file(const PortionList& image, const FileSpec& file, ff_lines ff) {
    if (!names_file(file)) {
        return true;
    }
    const char* name = file.name->c_str();
    const bool hex = file.format == FILE_IHEX;
    platform::replacement_file_t output(*file.name, "quarnel");
    if (!output.open(hex ? platform::file_mode::text : platform::file_mode::binary)) {
        console_log(0, "Can't open file '%s'\n", name);
        throw rtl_error(EXIT_ENVIRONMENT);
    }
    if (hex) {
        write_hex_image(image, output.stream(), ff);
    } else {
        write_binary_image(image, output.stream(), ff);
    }
    if (!output.commit()) {
        console_log(0, "%s - write error\n", name);
        return false;
    }
    return true;
}

} // namespace quarnel
