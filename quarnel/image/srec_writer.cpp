// Motorola S-record writer: header, data and end records.
#include "quarnel/image/srec_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quarnel {

namespace {

void write_record(std::FILE* out, unsigned type, unsigned address_bytes, std::uint32_t address,
                  const std::uint8_t* data, std::int32_t count) {
    const unsigned length = address_bytes + static_cast<unsigned>(count) + 1;
    unsigned sum = length;
    std::fprintf(out, "S%u%02X", type, length);
    for (unsigned i = address_bytes; i-- > 0;) {
        const unsigned byte = (address >> (8 * i)) & 0xFF;
        std::fprintf(out, "%02X", byte);
        sum += byte;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        std::fprintf(out, "%02X", data[i]);
        sum += data[i];
    }
    std::fprintf(out, "%02X\n", ~sum & 0xFF);
}

} // namespace

void write_srec_image(const PortionList& image, std::FILE* out, ff_lines ff) {
    std::int64_t top = 0;
    for (const CodePortion& portion : image) {
        top = std::max(top, portion.last());
    }
    unsigned data_type = 1;
    if (top > 0xFFFFFF) {
        data_type = 3;
    } else if (top > 0xFFFF) {
        data_type = 2;
    }
    const unsigned address_bytes = data_type + 1;
    static const char header[] = "quarnel";
    write_record(out, 0, 2, 0, reinterpret_cast<const std::uint8_t*>(header),
                 static_cast<std::int32_t>(std::strlen(header)));
    for_each_line(image, ff,
                  [&](std::int32_t address, const std::uint8_t* bytes, std::int32_t count) {
                      write_record(out, data_type, address_bytes,
                                   static_cast<std::uint32_t>(address), bytes, count);
                  });
    write_record(out, 10 - data_type, address_bytes, 0, nullptr, 0);
}

} // namespace quarnel
