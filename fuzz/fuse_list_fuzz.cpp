// The -f fuse list of every device layout.
#include "fuzz/fuzz_support.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/devices/fuse_request.h"

using namespace quarnel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    if (size == 0) {
        return 0;
    }
    // The first byte picks the device.
    FuseRequest request{};
    try {
        parse_fuse_list(std::string(reinterpret_cast<const char*>(data) + 1, size - 1),
                        device_table[data[0] % device_count], request);
    } catch (const app_error&) {
    }
    return 0;
}
