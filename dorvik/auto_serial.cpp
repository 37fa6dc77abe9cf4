// Reading and advancing the -asn serial number file.
#include "dorvik/auto_serial.h"

#include "platform/locked_file.h"
#include "platform/number_file.h"

#include <cstdio>
#include <limits>

namespace dorvik {
namespace {

constexpr const char* TEMPORARY_TAG = "dorvik";

// Locks the -asn file, saying so while another program holds it, and reads it; -1 after the
// message when it cannot be opened, is no regular file or holds no number alone on its first
// line.
int lock_and_parse(platform::locked_file_t& file, const std::string& path, std::string& text,
                   platform::number_file_text& parsed) {
    const platform::lock_result locked = file.lock(path, [&path](bool first) {
        if (first) {
            std::printf("  Waiting for %s: another program holds it.\n", path.c_str());
            std::fflush(stdout);
        }
    });
    if (locked == platform::lock_result::not_regular) {
        std::printf("  Error: %s is no regular file.\n", path.c_str());
        return -1;
    }
    if (locked != platform::lock_result::locked) {
        std::printf("Error find file %s\n", path.c_str());
        return -1;
    }
    if (!file.read(text)) {
        std::printf("Error read file %s\n", path.c_str());
        return -1;
    }
    const auto number = platform::parse_number_file(text);
    if (!number) {
        std::printf("  Error: the first line of %s holds no serial number alone.\n", path.c_str());
        return -1;
    }
    parsed = *number;
    return 0;
}

} // namespace

int load_auto_serial(const std::string& path, AutoSerial& serial) {
    platform::locked_file_t file;
    std::string text;
    platform::number_file_text parsed;
    if (lock_and_parse(file, path, text, parsed) != 0) {
        return -1;
    }
    serial = AutoSerial{path, std::move(text), parsed.number, true};
    return 0;
}

int reserve_auto_serial(AutoSerial& serial, const std::function<bool(std::uint32_t)>& fits) {
    if (serial.reserved) {
        return fits(serial.number) ? 0 : -1;
    }
    platform::locked_file_t file;
    platform::number_file_text parsed;
    if (lock_and_parse(file, serial.path, serial.text, parsed) != 0) {
        return -1;
    }
    if (!fits(parsed.number)) {
        return -1;
    }
    if (parsed.number == std::numeric_limits<std::uint32_t>::max()) {
        std::printf("  Error: the serial number in %s cannot grow past %u.\n", serial.path.c_str(),
                    parsed.number);
        return -1;
    }
    // The number line is replaced; the lines after it are the user's and stay.
    const std::string content =
        platform::number_file_content(std::uint64_t{parsed.number} + 1, "\r\n", parsed.rest);
    if (!file.rewrite(content, TEMPORARY_TAG)) {
        std::printf("Error writing to the file.\n");
        return -1;
    }
    serial.number = parsed.number;
    serial.reserved = true;
    return 0;
}

} // namespace dorvik
