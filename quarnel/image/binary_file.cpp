// Binary reader in 4096-byte chunks and binary writer with the trailing-0xFF cut.
#include "quarnel/image/binary_file.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/files.h"
#include "quarnel/image/file_handle.h"
#include "quarnel/image/hex_reader.h"

#include <algorithm>
#include <array>
#include <memory>

namespace quarnel {

namespace {

constexpr std::size_t chunk_size = 4096;

} // namespace

void read_binary_file(PortionList& image, const char* path) {
    file_handle file(open_file(path, "rb"));
    std::array<std::uint8_t, chunk_size> chunk;
    for (long long offset = 0;; offset += chunk_size) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        if (std::ferror(file.get()) != 0) {
            // A read error must not pass for a short file.
            console_log(0, "Can't read %s\n", path);
            throw rtl_error(EXIT_BAD_DATA);
        }
        if (got > 0) {
            if (offset + static_cast<long long>(got) - 1 > image_address_limit) {
                console_log(0, "File '%s' too large\n", path);
                throw app_error(EXIT_BAD_DATA);
            }
            image.append(std::make_unique<CodePortion>(
                static_cast<std::int32_t>(offset), static_cast<std::int32_t>(got), chunk.data()));
        }
        if (got < chunk_size) {
            return;
        }
    }
}

std::int64_t binary_file_length(const PortionList& image, ff_lines ff) {
    if (ff == ff_lines::keep) {
        const CodePortion* last = image.tail();
        return last ? std::int64_t{last->start} + last->length : 0;
    }
    std::int64_t last_used = -1;
    for (const CodePortion& portion : image) {
        for (std::int32_t i = portion.length - 1; i >= 0; --i) {
            if (portion.bytes()[i] != 0xFF) {
                last_used = std::int64_t{portion.start} + i;
                break;
            }
        }
    }
    return last_used < 0 ? 2 : (last_used + 2) & ~std::int64_t{1};
}

void write_binary_image(const PortionList& image, std::FILE* out, ff_lines ff) {
    const std::int64_t length = binary_file_length(image, ff);
    for (const CodePortion& portion : image) {
        if (portion.start >= length) {
            continue;
        }
        const std::int64_t count = std::min<std::int64_t>(portion.length, length - portion.start);
        std::fwrite(portion.bytes(), 1, static_cast<std::size_t>(count), out);
    }
}

} // namespace quarnel
