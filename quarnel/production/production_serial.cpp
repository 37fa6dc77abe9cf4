// Reserving serial numbers in a file shared by runs on several benches.
#include "quarnel/production/production_serial.h"

#include "platform/locked_file.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/production/production.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace quarnel {

namespace {

constexpr const char* TEMPORARY_TAG = "quarnel";

// The number: optional white space, then decimal digits.
std::optional<unsigned long long> parse_number(const std::string& text) {
    char digits[16];
    if (std::sscanf(text.c_str(), " %15[0-9]", digits) != 1) {
        return std::nullopt;
    }
    return std::strtoull(digits, nullptr, 10);
}

std::string number_line(unsigned long long number) {
    return std::to_string(number) + "\n";
}

} // namespace

void SerialNumberFile::take(const std::string& file_name, bool reserve) {
    name = file_name;
    reserved = false;
    platform::locked_file_t file;
    if (!file.lock(name)) {
        console_log(0, "Can't open file '%s'\n", name.c_str());
        throw rtl_error(EXIT_ENVIRONMENT);
    }
    std::string text;
    const bool read = file.read(text);
    const auto number = read ? parse_number(text) : std::nullopt;
    if (!number || *number > 0xFFFFFFFFull) {
        console_log(0, "Can't read %s\n", name.c_str());
        if (!read) {
            throw rtl_error(EXIT_BAD_DATA);
        }
        // Text that is no number has no system reason to add.
        throw app_error(EXIT_BAD_DATA);
    }
    value = static_cast<std::uint32_t>(*number);
    if (!reserve) {
        return;
    }
    // The last number a file can hold is followed by one no run will read.
    if (!file.rewrite(number_line(static_cast<unsigned long long>(value) + 1), TEMPORARY_TAG)) {
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
    const int saved_errno = errno;
    const unsigned long number = value;
    platform::locked_file_t file;
    std::string text;
    if (!file.lock(name) || !file.read(text)) {
        console_log(1, "Serial number %lu not used, can't open %s\n", number, name.c_str());
    } else if (parse_number(text) != static_cast<unsigned long long>(value) + 1) {
        console_log(1, "Serial number %lu not used, %s has gone on since\n", number, name.c_str());
    } else if (!file.rewrite(number_line(value), TEMPORARY_TAG)) {
        console_log(1, "Serial number %lu not used, can't write %s\n", number, name.c_str());
    }
    errno = saved_errno;
}

void ProductionData::update_serial_file() {
    if (settings.write) {
        serial.keep();
    }
}

void ProductionData::return_serial_number() {
    serial.give_back();
}

} // namespace quarnel
