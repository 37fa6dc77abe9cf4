// Pieces shared by the text record formats (Intel HEX, Motorola S-records): cleaned lines,
// hexadecimal fields, records gathered into portions, and output cut into lines.
#pragma once

#include "quarnel/image/portion_list.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace quarnel {

// One line of `file` without its white space; false at the end of the input or on a read
// error. Characters past `keep` are dropped, so an overlong line stays too long to parse.
bool read_clean_line(std::FILE* file, std::string& line, std::size_t keep);

// `digits` hexadecimal digits of `text` from `pos`; false when any is missing or no digit.
bool parse_hex(const std::string& text, std::size_t pos, std::size_t digits, unsigned& value);

// Gathers the data of consecutive records into portions of up to 4096 bytes: a portion
// starts at every gap, every jump backwards and every 4096 collected bytes.
class PortionGatherer {
  public:
    explicit PortionGatherer(PortionList& target) : image(target) {}

    void add(long long address, const std::uint8_t* data, std::size_t count);
    // Appends the block gathered so far to the image.
    void close();
    // At the end of the file `path`: closes the block, then warns about an empty image or
    // sorts the image and checks it for overlaps.
    void finish(const char* path);

    static constexpr std::size_t block_size = 4096;

  private:
    PortionList& image;
    std::array<std::uint8_t, block_size> block{};
    long long block_start = 0;
    std::size_t fill = 0;
    std::optional<long long> expected;
};

enum class ff_lines { skip, keep };

// Calls `line` with each output line of `image`: 16 bytes counted from each portion's
// start (the last of a portion may be shorter). Lines of only 0xFF bytes are left out,
// except at address 0, unless `keep` is given.
using line_writer =
    std::function<void(std::int32_t address, const std::uint8_t* bytes, std::int32_t count)>;
void for_each_line(const PortionList& image, ff_lines ff, const line_writer& line);

} // namespace quarnel
