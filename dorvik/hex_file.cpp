// Intel HEX reading (data, end, segment and linear address records) and writing.
#include "dorvik/hex_file.h"

#include "dorvik/file_io.h"
#include "dorvik/hex_digits.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace dorvik {
namespace {

enum RecordType : unsigned {
    DATA = 0x00,
    END_OF_FILE = 0x01,
    SEGMENT_ADDRESS = 0x02,
    LINEAR_ADDRESS = 0x04,
};

// Bytes of a record before its data: count, two address bytes and type.
constexpr std::size_t HEADER_BYTES = 4;
constexpr std::size_t BYTES_PER_LINE = 16;

// The byte written as two hex digits at `pos`, or nothing.
std::optional<std::uint8_t> hex_byte(std::string_view text, std::size_t pos) {
    if (pos + 2 > text.size()) {
        return std::nullopt;
    }
    const int hi = hex_digit(text[pos]);
    const int lo = hex_digit(text[pos + 1]);
    if (hi < 0 || lo < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(hi * 16 + lo);
}

// Decodes the record that starts with ':' at `start`: all its bytes from the
// count to the checksum. Nothing when the record is cut short, holds a
// non-hex digit or fails its checksum.
std::optional<std::vector<std::uint8_t>> decode_record(std::string_view text, std::size_t start) {
    const auto count = hex_byte(text, start + 1);
    if (!count) {
        return std::nullopt;
    }
    const std::size_t total = HEADER_BYTES + *count + 1;
    std::vector<std::uint8_t> bytes;
    unsigned sum = 0;
    for (std::size_t i = 0; i < total; ++i) {
        const auto b = hex_byte(text, start + 1 + 2 * i);
        if (!b) {
            return std::nullopt;
        }
        bytes.push_back(*b);
        sum += *b;
    }
    if (sum % 256 != 0) {
        return std::nullopt;
    }
    return bytes;
}

unsigned line_of(std::string_view text, std::size_t pos) {
    unsigned line = 1;
    for (std::size_t i = 0; i < pos; ++i) {
        line += text[i] == '\n';
    }
    return line;
}

std::string format_record(unsigned count, unsigned address, unsigned type,
                          const std::uint8_t* data) {
    char piece[16];
    std::snprintf(piece, sizeof piece, ":%02X%04X%02X", count, address, type);
    std::string line = piece;
    unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
    for (unsigned i = 0; i < count; ++i) {
        std::snprintf(piece, sizeof piece, "%02X", data[i]);
        line += piece;
        sum += data[i];
    }
    std::snprintf(piece, sizeof piece, "%02X\r\n", (0x100 - sum % 0x100) % 0x100);
    return line + piece;
}

} // namespace

int read_hex_file(const std::string& path, Image& image, std::uint32_t limit) {
    std::printf("  Read file...");
    const auto file = read_whole_file(path);
    if (const auto* failure = std::get_if<ReadFailure>(&file)) {
        print_read_failure(
            *failure,
            {"Error find hex-file ", "Error read file hex-file ", "Error allocate memory\n"}, path);
        return -1;
    }
    const std::string& content = std::get<std::string>(file);
    const std::string_view text = content;
    std::size_t pos = text.find(':');
    if (pos == std::string_view::npos) {
        std::printf("Error hex-file format\n");
        return -1;
    }
    std::uint64_t base = 0;
    std::uint64_t dropped = 0;
    bool ended = false;
    for (; pos != std::string_view::npos && !ended; pos = text.find(':', pos + 1)) {
        const auto record = decode_record(text, pos);
        if (!record) {
            std::printf("Error hex-file format in line %u\n", line_of(text, pos));
            return -1;
        }
        const std::uint8_t* r = record->data();
        const unsigned count = r[0];
        const unsigned address = r[1] * 256u + r[2];
        const std::uint8_t* data = r + HEADER_BYTES;
        switch (r[3]) {
        case DATA:
            for (unsigned k = 0; k < count; ++k) {
                const std::uint64_t at = base + address + k;
                if (at < limit && at < image.size()) {
                    image[at] = data[k];
                } else {
                    ++dropped;
                }
            }
            break;
        case END_OF_FILE:
            ended = true;
            break;
        case SEGMENT_ADDRESS:
        case LINEAR_ADDRESS:
            if (count != 2) {
                std::printf("Error hex-file format in line %u\n", line_of(text, pos));
                return -1;
            }
            base =
                (data[0] * 256u + data[1]) * std::uint64_t{r[3] == SEGMENT_ADDRESS ? 16u : 65536u};
            break;
        default: // start addresses mean nothing to a programmer
            break;
        }
    }
    if (!ended) {
        // A file cut short must not be programmed as if it were whole.
        std::printf("Error hex-file without end record\n");
        return -1;
    }
    if (dropped > 0) {
        // Programming part of a program is worse than programming none of it.
        std::printf("Error hex-file %s: %llu bytes lie beyond the %u bytes of memory\n",
                    path.c_str(), static_cast<unsigned long long>(dropped), limit);
        return -1;
    }
    std::printf("\r  Read file...\t\t\t\t\t\tok.\t\n");
    return 0;
}

int write_hex_file(const std::string& path, const Image& image, std::uint32_t length) {
    std::printf("  Start save flash data to file %s.\n", path.c_str());
    const std::uint8_t segment[2] = {0, 0};
    std::string content = format_record(2, 0, SEGMENT_ADDRESS, segment);
    const std::size_t end = std::min<std::size_t>(length, image.size());
    for (std::uint32_t offset = 0; offset + BYTES_PER_LINE <= end; offset += BYTES_PER_LINE) {
        content += format_record(BYTES_PER_LINE, offset, DATA, image.data() + offset);
    }
    content += format_record(0, 0, END_OF_FILE, nullptr);
    switch (replace_file(path, content)) {
    case ReplaceResult::create_failed:
        std::printf("Error creat hex-file %s\n", path.c_str());
        return -1;
    case ReplaceResult::write_failed:
        std::printf("Error writing to the file.\n");
        return -1;
    case ReplaceResult::replaced:
        break;
    }
    std::printf("  Flash data saved.\n");
    return 0;
}

} // namespace dorvik
