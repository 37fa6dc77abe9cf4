// Checks of an opened FTDI device against the request, shared by the D2XX and libftdi paths.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <string>

namespace quarnel {

// What a device is opened by: its serial number when the request gives one, else its
// description. A request with neither is refused (logged, app_error 70).
struct FtdiOpenKey {
    bool by_serial_number;
    std::string text;
};
FtdiOpenKey open_key(const ftdi_device_params_t& request);

// Logs "Can't open FTDI device with ..." with the backend's reason and raises app_error 70.
[[noreturn]] void refuse_open(const FtdiOpenKey& key, const char* reason);

// The device must match every given field of the request and, on FT2232C/D and FT4232H, sit
// on a channel with MPSSE. A refusal logs its reason and raises app_error 70.
void check_opened_device(const ftdi_device_params_t& request, const ftdi_device_params_t& found);

// USB IDs the request names with -pv/-pp, a missing one FTDI's own for the chip type, as
// vendor << 16 | product (traced at level 3); 0 when it names none.
std::uint32_t requested_usb_id(const ftdi_device_params_t& request);

} // namespace quarnel
