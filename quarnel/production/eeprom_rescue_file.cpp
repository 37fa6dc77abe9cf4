// Writing, reading and removing "(eeprom).sav" with its chip's marks after the end record.
#include "quarnel/production/eeprom_rescue_file.h"

#include "platform/replacement_file.h"
#include "quarnel/common/console.h"
#include "quarnel/image/file_handle.h"
#include "quarnel/image/hex_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

namespace quarnel {

namespace {

constexpr const char* marks_prefix = "# rescue copy of a chip:";

std::string marks_line(const RescueCopy& copy) {
    char text[48];
    std::snprintf(text, sizeof text,
                  " signature=%06lX calibration=", static_cast<unsigned long>(copy.signature));
    std::string line = marks_prefix + std::string(text);
    for (std::size_t i = 0; i < copy.calibration.size(); ++i) {
        std::snprintf(text, sizeof text, "%s%02X", i ? "," : "", copy.calibration[i]);
        line += text;
    }
    if (copy.erase_count) {
        line += " erase_count=" + std::to_string(*copy.erase_count);
    }
    return line + "\n";
}

// The marks of `line`; false when it is not a marks line or a mark is damaged.
bool read_marks(const std::string& line, RescueCopy& copy) {
    if (line.rfind(marks_prefix, 0) != 0) {
        return false;
    }
    std::istringstream words(line.substr(std::strlen(marks_prefix)));
    std::string word;
    bool signed_copy = false;
    try {
        while (words >> word) {
            const auto equals = word.find('=');
            const std::string key = word.substr(0, equals);
            const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
            if (key == "signature") {
                copy.signature = static_cast<std::uint32_t>(std::stoul(value, nullptr, 16));
                signed_copy = true;
            } else if (key == "calibration") {
                copy.calibration.clear();
                for (std::size_t at = 0; at < value.size(); at += 3) {
                    copy.calibration.push_back(
                        static_cast<std::uint8_t>(std::stoul(value.substr(at, 2), nullptr, 16)));
                }
            } else if (key == "erase_count") {
                const unsigned long count = std::stoul(value);
                if (count >= 0xFFFF) {
                    return false;
                }
                copy.erase_count = static_cast<std::uint16_t>(count);
            } else {
                return false;
            }
        }
    } catch (const std::logic_error&) { // not a number
        return false;
    }
    return signed_copy;
}

// The marks line after the end record, if the file has one.
bool find_marks(RescueCopy& copy) {
    const file_handle file(std::fopen(rescue_file_name, "r"));
    if (!file) {
        return false;
    }
    char buffer[256];
    bool after_end = false;
    while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
        const std::string line = buffer;
        if (after_end && read_marks(line, copy)) {
            return true;
        }
        after_end = after_end || line.rfind(":00000001FF", 0) == 0;
    }
    return false;
}

} // namespace

rescue_file_state read_rescue_file(RescueCopy& copy, long eeprom_size) {
    std::error_code error;
    const auto status = std::filesystem::status(rescue_file_name, error);
    if (!std::filesystem::exists(status)) {
        return rescue_file_state::absent;
    }
    if (!std::filesystem::is_regular_file(status)) {
        return rescue_file_state::not_a_file;
    }
    PortionList image;
    read_hex_file(image, rescue_file_name, [] { return false; });
    copy.eeprom.assign(static_cast<std::size_t>(eeprom_size), 0xFF);
    for (const CodePortion& portion : image) {
        for (long address = portion.start; address <= portion.last() && address < eeprom_size;
             ++address) {
            copy.eeprom[static_cast<std::size_t>(address)] =
                portion.read(static_cast<std::int32_t>(address));
        }
    }
    return find_marks(copy) ? rescue_file_state::found : rescue_file_state::unmarked;
}

bool store_rescue_file(const RescueCopy& copy, ff_lines ff) {
    PortionList image;
    image.append(std::make_unique<CodePortion>(0, static_cast<std::int32_t>(copy.eeprom.size()),
                                               copy.eeprom.data()));
    platform::replacement_file_t output(rescue_file_name, "quarnel");
    bool stored = output.open(platform::file_mode::text);
    if (stored) {
        write_hex_image(image, output.stream(), ff);
        const std::string marks = marks_line(copy);
        std::fputs(marks.c_str(), output.stream());
        stored = output.commit();
    }
    if (!stored) {
        console_log(0, "Can't store EEPROM copy in \"%s\", chip not erased\n", rescue_file_name);
    }
    return stored;
}

void remove_rescue_file() {
    std::remove(rescue_file_name);
}

} // namespace quarnel
