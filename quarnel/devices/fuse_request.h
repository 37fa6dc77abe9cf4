// The fuse bytes asked for with -f, and the parser of the -f list.
#pragma once

#include "quarnel/devices/fuse_layout.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quarnel {

// What the run is to write into one fuse byte.
struct FuseByteRequest {
    std::uint8_t wanted;       // requested bits in place, other bits 0
    std::uint8_t request_mask; // 1 = bit requested
    std::uint8_t defined_mask; // union of the masks of the byte's fields
    std::uint8_t read_value;   // byte read from the chip
};

struct FuseRequest {
    FuseByteRequest bytes[fuse_byte_count]; // by fuse_byte index
};

struct DeviceInfo;

// Clears `fuse_request` for a device of `layout`: nothing requested, the layout's
// defined masks.
void start_fuse_request(const FuseLayout& layout, FuseRequest& fuse_request);

// Fills `fuse_request` for `device` from the -f text; does nothing without one.
// Every error prints its message and raises app_error 70.
void parse_fuse_list(const std::optional<std::string>& list, const DeviceInfo& device,
                     FuseRequest& fuse_request);

} // namespace quarnel
