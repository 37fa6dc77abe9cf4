// Listing the FTDI devices present and opening the one a run asks for.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <memory>
#include <optional>
#include <string>

namespace quarnel {

// Prints the device list at level 2; no device, or a failing library, ends the run (status 70).
// Adapters with the USB IDs of `ids` (vendor_id, product_id; type gives the default product)
// are listed too.
void list_ftdi_devices(const ftdi_device_params_t& ids = {});

// The device an FTDI adapter's -p text asks for, of chip type `type`; without -p, none in
// particular. "-p?..." lists the devices instead and ends the run with status 0.
ftdi_device_params_t ftdi_device_request(ftdi_chip_type type,
                                         const std::optional<std::string>& port_spec);

// Opens the device by serial number (when given) or else by description, and checks that it
// matches every given field of the request and, on FT2232C/D and FT4232H, sits on a channel
// with MPSSE. Every refusal logs its reason and raises app_error 70 with the device closed.
std::unique_ptr<ftdi_chip_t> open_ftdi_chip(const ftdi_device_params_t& request);

} // namespace quarnel
