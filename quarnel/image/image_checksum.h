// The checksum that names a firmware image in the production log.
#pragma once

#include "quarnel/image/portion_list.h"

#include <cstddef>
#include <cstdint>

namespace quarnel {

// CRC-32 as zlib's crc32() computes it (reflected polynomial 0xEDB88320), continuing `crc`
// over `size` bytes.
std::uint32_t crc32_update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size);

// CRC-32 of the image from address 0 to its last byte, gaps as 0xFF; 0 for an empty image.
std::uint32_t image_crc32(const PortionList& image);

} // namespace quarnel
