// Finding a USBasp on the USB: the -p text that picks one, the listing of -p?, and the opening.
#pragma once

#include "quarnel/programmers/usbasp/libusb_library.h"

#include <optional>
#include <string>

namespace quarnel {

inline constexpr std::uint16_t usbasp_vendor_id = 0x16C0;
inline constexpr std::uint16_t usbasp_product_id = 0x05DC;
// The udev rule the package installs for USBasps.
inline constexpr const char* usbasp_udev_rule = "70-quarnel-usbasp.rules";

// Which USBasp to open: any (the only one), the one with a serial string, or the one at a bus
// and address.
struct usbasp_request {
    std::string serial_number; // "s=": empty when not asked for
    int bus = -1;              // "b=BUS:ADDR"
    int address = -1;

    bool by_serial() const { return !serial_number.empty(); }
    bool by_place() const { return bus >= 0; }
};

// The -p text of -ausbasp: none, "s=SERIAL" or "b=BUS:ADDR" (decimal, as the system shows
// them). Anything else logs its reason and raises app_error 70.
usbasp_request parse_usbasp_port(const std::optional<std::string>& port_spec);

// Prints the USBasps plugged in at level 2 (bus, address, serial string); none ends the run
// with status 70.
void list_usbasps(libusb_library_t& library);

// Opens the USBasp asked for. None found, several without a choice, or one the user may not
// open: a message naming the device (and the udev rule), app_error 70.
libusb::device_handle* open_usbasp(libusb_library_t& library, const usbasp_request& request);

} // namespace quarnel
