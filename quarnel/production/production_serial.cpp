// Reading and safely rewriting the serial-number file.
#include "quarnel/production/production_serial.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/files.h"
#include "quarnel/image/replacement_file.h"
#include "quarnel/production/production.h"

#include <cstdlib>

namespace {

// The number: optional white space, then decimal digits that fit 32 bits.
bool parse_number(std::FILE* file, std::uint32_t& number) {
    char digits[16];
    if (std::fscanf(file, " %15[0-9]", digits) != 1) {
        return false;
    }
    const unsigned long long parsed = std::strtoull(digits, nullptr, 10);
    if (parsed > 0xFFFFFFFFull) {
        return false;
    }
    number = static_cast<std::uint32_t>(parsed);
    return true;
}

} // namespace

void SerialNumberFile::open(const std::string& file_name) {
    name = file_name;
    file.reset(open_file(name.c_str(), "r+"));
    if (!parse_number(file.get(), value)) {
        console_log(0, "Can't read %s\n", name.c_str());
        if (std::ferror(file.get()) != 0) {
            throw rtl_error(EXIT_BAD_DATA);
        }
        // Text that is no number has no system reason to add.
        throw app_error(EXIT_BAD_DATA);
    }
}

void SerialNumberFile::advance() {
    // The last number a file can hold is followed by one no run will read.
    const unsigned long long next = static_cast<unsigned long long>(value) + 1;
    replacement_file_t replacement(name);
    bool written =
        replacement.open(file_mode::text) && std::fprintf(replacement.stream(), "%llu\n", next) > 0;
    close();
    if (written) {
        written = replacement.commit();
    }
    if (!written) {
        console_log(0, "Can't write %s\nnext serial number is %llu\n", name.c_str(), next);
        throw rtl_error(EXIT_BAD_DATA);
    }
}

void ProductionData::update_serial_file() {
    if (!serial.is_open()) {
        return;
    }
    if (settings.write) {
        serial.advance();
    } else {
        serial.close();
    }
}
