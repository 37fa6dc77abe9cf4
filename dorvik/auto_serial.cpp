// Reading and advancing the -asn serial number file.
#include "dorvik/auto_serial.h"

#include "dorvik/command_line.h"
#include "dorvik/file_io.h"
#include "platform/locked_file.h"

#include <cctype>
#include <cstdio>
#include <limits>

namespace dorvik {
namespace {

// The decimal number at the start of `text` (after blanks), or nothing.
std::optional<std::uint32_t> leading_number(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    std::size_t end = start;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
        ++end;
    }
    return parse_decimal(std::string_view(text).substr(start, end - start));
}

constexpr const char* TEMPORARY_TAG = "dorvik";

} // namespace

int load_auto_serial(const std::string& path, AutoSerial& serial) {
    // The file will be rewritten, so one that may not be written is refused now.
    if (std::FILE* writable = std::fopen(path.c_str(), "r+b")) {
        std::fclose(writable);
    } else {
        std::printf("Error find file %s\n", path.c_str());
        return -1;
    }
    auto file = read_whole_file(path);
    if (const auto* failure = std::get_if<ReadFailure>(&file)) {
        print_read_failure(
            *failure, {"Error find file ", "Error read file ", "Error allocate memory.\n"}, path);
        return -1;
    }
    std::string& text = std::get<std::string>(file);
    const auto number = leading_number(text);
    if (!number) {
        std::printf("  Error: %s does not begin with a serial number.\n", path.c_str());
        return -1;
    }
    serial = AutoSerial{path, std::move(text), *number, true};
    return 0;
}

int reserve_auto_serial(AutoSerial& serial, const std::function<bool(std::uint32_t)>& fits) {
    if (serial.reserved) {
        return fits(serial.number) ? 0 : -1;
    }
    platform::locked_file_t file;
    if (!file.lock(serial.path)) {
        std::printf("Error writing to the file.\n");
        return -1;
    }
    if (!file.read(serial.text)) {
        std::printf("Error read file %s\n", serial.path.c_str());
        return -1;
    }
    const auto number = leading_number(serial.text);
    if (!number) {
        std::printf("  Error: %s does not begin with a serial number.\n", serial.path.c_str());
        return -1;
    }
    if (!fits(*number)) {
        return -1;
    }
    if (*number == std::numeric_limits<std::uint32_t>::max()) {
        std::printf("  Error: the serial number in %s cannot grow past %u.\n", serial.path.c_str(),
                    *number);
        return -1;
    }
    std::string content = std::to_string(*number + 1) + "\r\n";
    if (serial.text.size() > content.size()) {
        content += serial.text.substr(content.size());
    }
    if (!file.rewrite(content, TEMPORARY_TAG)) {
        std::printf("Error writing to the file.\n");
        return -1;
    }
    serial.number = *number;
    serial.reserved = true;
    return 0;
}

} // namespace dorvik
