// Reserving serial numbers in a file shared by runs on several benches.
#include "quarnel/production/production_serial.h"

#include "platform/locked_file.h"
#include "platform/number_file.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/user_break.h"
#include "quarnel/production/production.h"

#include <cerrno>
#include <optional>

namespace quarnel {

namespace {

constexpr const char* TEMPORARY_TAG = "quarnel";

// Opens and locks the number file; while another program holds it the run says so and waits,
// and a user break ends the wait.
platform::lock_result lock_number_file(platform::locked_file_t& file, const std::string& name) {
    return file.lock(name, [&name](bool first) {
        if (first) {
            console_log(1, "Serial number file '%s' is held by another program, waiting\n",
                        name.c_str());
        }
        poll_user_break();
    });
}

} // namespace

void SerialNumberFile::take(const std::string& file_name, bool reserve, unsigned bytes) {
    name = file_name;
    reserved = false;
    on_chip = false;
    platform::locked_file_t file;
    const platform::lock_result locked = lock_number_file(file, name);
    if (locked != platform::lock_result::locked) {
        console_log(0, "Can't open file '%s'\n", name.c_str());
        if (locked == platform::lock_result::not_regular) {
            console_log(0, "Not a regular file\n");
            throw app_error(EXIT_ENVIRONMENT);
        }
        throw rtl_error(EXIT_ENVIRONMENT);
    }
    std::string text;
    const bool read = file.read(text);
    const auto parsed = read ? platform::parse_number_file(text) : std::nullopt;
    if (!parsed) {
        console_log(0, "Can't read %s\n", name.c_str());
        if (!read) {
            throw rtl_error(EXIT_BAD_DATA);
        }
        // Text that is no number has no system reason to add.
        throw app_error(EXIT_BAD_DATA);
    }
    value = parsed->number;
    if (bytes < 4 && (value >> (8 * bytes)) != 0) {
        console_log(0, "Serial number %lu of %s doesn't fit in %u byte%s\n",
                    static_cast<unsigned long>(value), name.c_str(), bytes, bytes == 1 ? "" : "s");
        throw app_error(EXIT_ENVIRONMENT);
    }
    if (!reserve) {
        return;
    }
    // The last number a file can hold is followed by one no run will read.
    if (!file.rewrite(platform::number_file_content(std::uint64_t{value} + 1, "\n", parsed->rest),
                      TEMPORARY_TAG)) {
        console_log(0, "Can't write %s\nnext serial number is %lu\n", name.c_str(),
                    static_cast<unsigned long>(value));
        throw rtl_error(EXIT_BAD_DATA);
    }
    reserved = true;
}

void SerialNumberFile::give_back() {
    if (!reserved) {
        return;
    }
    reserved = false;
    const unsigned long number = value;
    if (on_chip) {
        console_log(1, "Serial number %lu stays used, the chip may hold it\n", number);
        return;
    }
    const int saved_errno = errno;
    platform::locked_file_t file;
    std::string text;
    std::optional<platform::number_file_text> parsed;
    if (file.lock(name) != platform::lock_result::locked || !file.read(text)) {
        console_log(1, "Serial number %lu not used, can't open %s\n", number, name.c_str());
    } else if (!(parsed = platform::parse_number_file(text)) ||
               parsed->number != std::uint64_t{value} + 1) {
        console_log(1, "Serial number %lu not used, %s has gone on since\n", number, name.c_str());
    } else if (!file.rewrite(platform::number_file_content(value, "\n", parsed->rest),
                             TEMPORARY_TAG)) {
        console_log(1, "Serial number %lu not used, can't write %s\n", number, name.c_str());
    }
    errno = saved_errno;
}

void ProductionData::keep_used_serial() {
    if (settings.write) {
        serial.keep();
    }
}

void ProductionData::serial_reaches_chip(memory_slot slot) {
    const insert_mode mode = settings.serno_insert.mode;
    if (mode != INSERT_NONE && (slot == SLOT_DATA) == (mode == INSERT_DATA)) {
        serial.reaches_chip();
    }
}

void ProductionData::return_serial_number() {
    serial.give_back();
}

} // namespace quarnel
