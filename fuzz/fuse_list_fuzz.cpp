// The -f fuse list of every device layout.
#include "fuzz/fuzz_support.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/devices/fuse_request.h"
#include "quarnel/run/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    if (size == 0) {
        return 0;
    }
    // The first byte picks the device.
    detected_index = data[0] % device_count;
    fuse_request = FuseRequest{};
    try {
        parse_fuse_list(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    } catch (const app_error&) {
    }
    detected_index = -1;
    return 0;
}
