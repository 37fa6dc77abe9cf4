// Format dispatch for image files, and the format of files without a prefix.
#include "quarnel/image/image_file.h"

#include "platform/replacement_file.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/files.h"
#include "quarnel/image/binary_file.h"
#include "quarnel/image/elf_reader.h"
#include "quarnel/image/file_handle.h"
#include "quarnel/image/hex_reader.h"
#include "quarnel/image/hex_writer.h"
#include "quarnel/image/srec_reader.h"
#include "quarnel/image/srec_writer.h"

#include <array>
#include <string>

namespace quarnel {

file_format detect_file_format(const char* path) {
    file_handle file(open_file(path, "rb"));
    std::array<unsigned char, 4> magic{};
    const std::size_t got = std::fread(magic.data(), 1, magic.size(), file.get());
    if (has_elf_magic(magic.data(), got)) {
        return FILE_ELF;
    }
    std::rewind(file.get());
    // The first line the HEX reader would not skip.
    std::string line;
    while (read_clean_line(file.get(), line, 2)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const bool srec = line.size() >= 2 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9';
        return srec ? FILE_SREC : FILE_IHEX;
    }
    return FILE_IHEX;
}

InputFile read_input_file(const FileSpec& file, const checksum_question& ignore_checksums) {
    InputFile input;
    if (!file.name) {
        return input;
    }
    const char* path = file.name->c_str();
    input.format = file.prefixed ? file.format : detect_file_format(path);
    switch (input.format) {
    case FILE_IHEX:
        read_hex_file(input.image, path, ignore_checksums);
        break;
    case FILE_BIN:
        read_binary_file(input.image, path);
        break;
    case FILE_ELF:
        read_elf_file(input.image, input.eeprom, input.config, path);
        break;
    case FILE_SREC:
        read_srec_file(input.image, path);
        break;
    }
    return input;
}

bool write_image_file(const PortionList& image, const FileSpec& file, ff_lines ff) {
    const bool writable =
        file.format == FILE_IHEX || file.format == FILE_BIN || file.format == FILE_SREC;
    if (!file.name || !writable) {
        return true;
    }
    const char* name = file.name->c_str();
    const bool binary = file.format == FILE_BIN;
    platform::replacement_file_t output(*file.name, "quarnel");
    if (!output.open(binary ? platform::file_mode::binary : platform::file_mode::text)) {
        console_log(0, "Can't open file '%s'\n", name);
        throw rtl_error(EXIT_ENVIRONMENT);
    }
    if (file.format == FILE_BIN) {
        write_binary_image(image, output.stream(), ff);
    } else if (file.format == FILE_SREC) {
        write_srec_image(image, output.stream(), ff);
    } else {
        write_hex_image(image, output.stream(), ff);
    }
    if (!output.commit()) {
        console_log(0, "%s - write error\n", name);
        return false;
    }
    return true;
}

} // namespace quarnel
