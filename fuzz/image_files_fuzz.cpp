// quarnel's Intel HEX and binary readers: any file is read or refused with a documented status.
#include "fuzz/fuzz_support.h"
#include "quarnel/common/errors.h"
#include "quarnel/image/binary_file.h"
#include "quarnel/image/hex_reader.h"

using namespace quarnel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    if (size == 0) {
        return 0;
    }
    // The first byte picks the reader.
    const char* path = scratch_file(data + 1, size - 1);
    PortionList image;
    try {
        if (data[0] & 1) {
            read_binary_file(image, path);
        } else {
            // The checksum question is answered by the input's first byte too.
            read_hex_file(image, path, [&] { return (data[0] & 2) != 0; });
        }
    } catch (const app_error&) {
    }
    return 0;
}
