// Serial numbers in a file shared by runs on several benches.
#include "platform/locked_file.h"
#include "platform/number_file.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/user_break.h"
#include "quarnel/production/production_serial.h"

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

// The file holds the number on its first line; the lines after it stay as they are. Its
// lock is held from the read to the rewrite.
class SerialNumberFile final : public SerialNumberStore {
  public:
    std::uint32_t take(const std::string& name, bool reserve, unsigned bytes) override;
    void put_back(const std::string& name, std::uint32_t number) override;
};

std::uint32_t SerialNumberFile::take(const std::string& name, bool reserve, unsigned bytes) {
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
    const std::uint32_t value = parsed->number;
    if (!serial_number_fits(value, name, bytes)) {
        throw app_error(EXIT_ENVIRONMENT);
    }
    // The last number a file can hold is followed by one no run will read.
    if (reserve &&
        !file.rewrite(platform::number_file_content(std::uint64_t{value} + 1, "\n", parsed->rest),
                      TEMPORARY_TAG)) {
        console_log(0, "Can't write %s\nnext serial number is %lu\n", name.c_str(),
                    static_cast<unsigned long>(value));
        throw rtl_error(EXIT_BAD_DATA);
    }
    return value;
}

void SerialNumberFile::put_back(const std::string& name, std::uint32_t value) {
    const unsigned long number = value;
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
}

} // namespace

std::unique_ptr<SerialNumberStore> serial_number_file() {
    return std::make_unique<SerialNumberFile>();
}

} // namespace quarnel
