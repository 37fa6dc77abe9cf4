// Format dispatch for image files and the run's record of failed writes.
#include "quarnel/image/image_file.h"

#include "quarnel/image/binary_file.h"
#include "quarnel/image/hex_reader.h"
#include "quarnel/image/hex_writer.h"
#include "quarnel/image/replacement_file.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"

namespace {

bool write_failed = false;

bool names_file(const FileSpec& spec) {
    return spec.name && (spec.format == FILE_IHEX || spec.format == FILE_BIN);
}

} // namespace

void read_image_file(PortionList& image, const FileSpec& spec) {
    if (!names_file(spec)) {
        return;
    }
    if (spec.format == FILE_IHEX) {
        read_hex_file(image, spec.name->c_str());
    } else {
        read_binary_file(image, spec.name->c_str());
    }
}

bool write_image_file(const PortionList& image, const FileSpec& spec) {
    if (!names_file(spec)) {
        return true;
    }
    const char* name = spec.name->c_str();
    const bool hex = spec.format == FILE_IHEX;
    replacement_file_t file(*spec.name);
    if (!file.open(hex ? file_mode::text : file_mode::binary)) {
        console_log(0, "Can't open file '%s'\n", name);
        throw rtl_error(EXIT_ENVIRONMENT);
    }
    const ff_lines ff = options.read_keep_ff ? ff_lines::keep : ff_lines::skip;
    if (hex) {
        write_hex_image(image, file.stream(), ff);
    } else {
        write_binary_image(image, file.stream(), ff);
    }
    if (!file.commit()) {
        console_log(0, "%s - write error\n", name);
        write_failed = true;
        return false;
    }
    return true;
}

bool image_write_failed() {
    return write_failed;
}
