// Cleaned record lines, hexadecimal fields, portion gathering and output lines.
#include "quarnel/image/record_text.h"

#include "quarnel/common/console.h"
#include "quarnel/image/portion_order.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace quarnel {

namespace {

constexpr std::int32_t line_bytes = 16;

bool is_blank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool all_ff(const std::uint8_t* bytes, std::int32_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0xFF; });
}

} // namespace

bool read_clean_line(std::FILE* file, std::string& line, std::size_t keep) {
    line.clear();
    bool got_any = false;
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        got_any = true;
        if (c == '\n') {
            return true;
        }
        if (!is_blank(c) && line.size() <= keep) {
            line.push_back(static_cast<char>(c));
        }
    }
    return got_any && std::ferror(file) == 0;
}

bool parse_hex(const std::string& text, std::size_t pos, std::size_t digits, unsigned& value) {
    if (pos + digits > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = pos; i < pos + digits; ++i) {
        const int digit = hex_digit(text[i]);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

void PortionGatherer::add(long long address, const std::uint8_t* data, std::size_t count) {
    if (fill + count > block_size || !expected || address != *expected) {
        close();
        block_start = address;
    }
    std::memcpy(block.data() + fill, data, count);
    fill += count;
    expected = address + static_cast<long long>(count);
}

void PortionGatherer::close() {
    if (fill > 0) {
        image.append(std::make_unique<CodePortion>(static_cast<std::int32_t>(block_start),
                                                   static_cast<std::int32_t>(fill), block.data()));
        fill = 0;
    }
}

void PortionGatherer::finish(const char* path) {
    close();
    if (image.empty()) {
        console_log(1, "Warning: '%s' has no data records\n", path);
    } else {
        sort_and_check_overlaps(image);
    }
}

void for_each_line(const PortionList& image, ff_lines ff, const line_writer& line) {
    for (const CodePortion& portion : image) {
        for (std::int32_t offset = 0; offset < portion.length; offset += line_bytes) {
            const std::int32_t address = portion.start + offset;
            const std::int32_t count = std::min(line_bytes, portion.length - offset);
            const std::uint8_t* bytes = portion.bytes() + offset;
            if (ff == ff_lines::skip && address != 0 && all_ff(bytes, count)) {
                continue;
            }
            line(address, bytes, count);
        }
    }
}

} // namespace quarnel
