// CRC-32 of a memory image laid out from address 0.
#include "quarnel/image/image_checksum.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quarnel {

namespace {

std::array<std::uint32_t, 256> make_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

} // namespace

std::uint32_t crc32_update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = make_table();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

std::uint32_t image_crc32(const PortionList& image) {
    std::int64_t last = -1;
    for (const CodePortion& portion : image) {
        last = std::max(last, portion.last());
    }
    if (last < 0) {
        return 0;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(last + 1), 0xFF);
    for (const CodePortion& portion : image) {
        std::copy(portion.bytes(), portion.bytes() + portion.length, bytes.begin() + portion.start);
    }
    return crc32_update(0, bytes.data(), bytes.size());
}

} // namespace quarnel
