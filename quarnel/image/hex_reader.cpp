// Intel HEX reader: record parsing, checksum prompt, base addresses.
#include "quarnel/image/hex_reader.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/files.h"
#include "quarnel/common/text.h"
#include "quarnel/image/file_handle.h"
#include "quarnel/image/record_text.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace quarnel {

namespace {

// The longest valid record: 1 + 2 + 4 + 2 + 2 * 255 + 2 characters.
constexpr std::size_t hex_line_max = 521;

enum record_type : unsigned {
    RECORD_DATA = 0,
    RECORD_END = 1,
    RECORD_SEGMENT_BASE = 2,
    RECORD_SEGMENT_START = 3,
    RECORD_LINEAR_BASE = 4,
    RECORD_LINEAR_START = 5,
};

struct HexRecord {
    unsigned length = 0;
    unsigned offset = 0;
    unsigned type = 0;
    std::array<std::uint8_t, 256> data{};
    std::uint8_t checksum = 0;

    std::uint8_t sum() const {
        unsigned total = length + (offset >> 8) + (offset & 0xFF) + type + checksum;
        for (unsigned i = 0; i < length; ++i) {
            total += data[i];
        }
        return static_cast<std::uint8_t>(total);
    }
};

bool parse_record(const std::string& line, HexRecord& record) {
    if (line.empty() || line[0] != ':' || !parse_hex(line, 1, 2, record.length) ||
        !parse_hex(line, 3, 4, record.offset) || !parse_hex(line, 7, 2, record.type)) {
        return false;
    }
    if (line.size() - 9 != 2 * (record.length + 1)) {
        return false;
    }
    unsigned value = 0;
    for (unsigned i = 0; i <= record.length; ++i) {
        if (!parse_hex(line, 9 + 2 * i, 2, value)) {
            return false;
        }
        (i < record.length ? record.data[i] : record.checksum) = static_cast<std::uint8_t>(value);
    }
    return true;
}

class HexReader {
  public:
    HexReader(PortionList& target, const char* file_path, const checksum_question& question)
        : image(target), path(file_path), ask(question) {}

    void read() {
        file_handle file(open_file(path, "r"));
        std::string line;
        while (read_clean_line(file.get(), line, hex_line_max)) {
            if (line.empty() || line[0] == '#') {
                continue;
            }
            if (!handle_line(line)) {
                gatherer.finish(path);
                return;
            }
        }
        console_log(0, "Unexpected end of file '%s'\n", path);
        if (std::ferror(file.get()) != 0) {
            throw rtl_error(EXIT_BAD_DATA);
        }
        // A plain end of file has no system reason to add.
        throw app_error(EXIT_BAD_DATA);
    }

  private:
    [[noreturn]] static void invalid_line(const std::string& line) {
        console_log(0, "Invalid HEX line\n'%s'\n", shown_line(line).c_str());
        if (!is_text_line(line)) {
            console_log(0, "The file is not text: a raw binary image takes the prefix :bin:, an "
                           "ELF file :elf:\n");
        }
        throw app_error(EXIT_BAD_DATA);
    }

    // False once the end record has been handled.
    bool handle_line(const std::string& line) {
        HexRecord record;
        if (!parse_record(line, record)) {
            invalid_line(line);
        }
        if (record.sum() != 0 && !ignore_checksums) {
            ask_about_checksum(line);
        }
        switch (record.type) {
        case RECORD_DATA:
            if (record.length == 0) {
                console_log(1, "Zero-data HEX line ignored\n  %s\n", shown_line(line).c_str());
            } else {
                add_data(record, line);
            }
            return true;
        case RECORD_END:
            return false;
        case RECORD_SEGMENT_BASE:
        case RECORD_LINEAR_BASE:
            // The base comes from exactly two data bytes, high byte first.
            if (record.length != 2) {
                invalid_line(line);
            }
            base = static_cast<long long>(record.data[0] << 8 | record.data[1])
                   << (record.type == RECORD_SEGMENT_BASE ? 4 : 16);
            return true;
        case RECORD_SEGMENT_START:
        case RECORD_LINEAR_START:
            console_log(1, "Start address record in HEX file ignored\n");
            return true;
        default:
            console_log(0, "Unknown HEX record type 0x%2X\n", record.type);
            throw app_error(EXIT_BAD_DATA);
        }
    }

    void ask_about_checksum(const std::string& line) {
        console_log(0, "CSUM error in line\n  %s\nIgnore ALL CSUM errors (y/N)?\n",
                    shown_line(line).c_str());
        if (!ask()) {
            throw app_error(EXIT_BAD_DATA);
        }
        ignore_checksums = true;
    }

    void add_data(const HexRecord& record, const std::string& line) {
        const long long address = base + record.offset;
        // Addresses are kept in 32-bit signed portions; no chip comes near the limit.
        if (address + record.length - 1 > image_address_limit) {
            invalid_line(line);
        }
        gatherer.add(address, record.data.data(), record.length);
    }

    PortionList& image;
    const char* path;
    const checksum_question& ask;
    long long base = 0;
    PortionGatherer gatherer{image};
    bool ignore_checksums = false;
};

} // namespace

void read_hex_file(PortionList& image, const char* path,
                   const checksum_question& ignore_checksums) {
    HexReader(image, path, ignore_checksums).read();
}

} // namespace quarnel
