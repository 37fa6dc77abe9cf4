// Intel HEX writer: data, extended linear address and end records.
#include "quarnel/image/hex_writer.h"

#include <cstdint>

namespace quarnel {

namespace {

void write_linear_base(std::FILE* out, unsigned upper) {
    const unsigned sum = 2 + 4 + (upper >> 8) + (upper & 0xFF);
    std::fprintf(out, ":02000004%04X%02X\n", upper, (0x100 - sum) & 0xFF);
}

void write_data_line(std::FILE* out, std::int32_t address, const std::uint8_t* bytes,
                     std::int32_t count) {
    const unsigned offset = static_cast<unsigned>(address) & 0xFFFF;
    unsigned sum = static_cast<unsigned>(count) + (offset >> 8) + (offset & 0xFF);
    std::fprintf(out, ":%02X%04X00", static_cast<unsigned>(count), offset);
    for (std::int32_t i = 0; i < count; ++i) {
        std::fprintf(out, "%02X", bytes[i]);
        sum += bytes[i];
    }
    std::fprintf(out, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

} // namespace

void write_hex_image(const PortionList& image, std::FILE* out, ff_lines ff) {
    unsigned upper = 0;
    for_each_line(image, ff,
                  [&](std::int32_t address, const std::uint8_t* bytes, std::int32_t count) {
                      const unsigned line_upper = static_cast<unsigned>(address) >> 16;
                      if (line_upper != upper) {
                          upper = line_upper;
                          write_linear_base(out, upper);
                      }
                      write_data_line(out, address, bytes, count);
                  });
    std::fputs(":00000001FF\n", out);
}

} // namespace quarnel
