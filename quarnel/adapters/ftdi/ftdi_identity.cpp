// Identity and channel checks of an opened FTDI device.
#include "quarnel/adapters/ftdi/ftdi_identity.h"

#include "quarnel/adapters/ftdi/ftdi_port_options.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

namespace {

constexpr std::uint32_t ftdi_vendor_id = 0x0403;

bool matches(const ftdi_device_params_t& request, const ftdi_device_params_t& found) {
    return found.type == request.type &&
           (request.serial_number.empty() || request.serial_number == found.serial_number) &&
           (request.description.empty() || request.description == found.description);
}

// FT2232C/D has MPSSE on channel A only, FT4232H on A and B; the last character of the
// description names the channel.
void check_channel(const ftdi_device_params_t& found) {
    const char channel = found.description.empty() ? '?' : found.description.back();
    const bool usable = found.type == ftdi_chip_type::ft2232c   ? channel == 'A'
                        : found.type == ftdi_chip_type::ft4232h ? channel == 'A' || channel == 'B'
                                                                : true;
    if (!usable) {
        console_log(0, "Channel %c can't be used for MPSSE mode\n", channel);
        throw app_error(EXIT_ENVIRONMENT);
    }
}

} // namespace

FtdiOpenKey open_key(const ftdi_device_params_t& request) {
    if (!request.serial_number.empty()) {
        return {true, request.serial_number};
    }
    if (request.description.empty()) {
        console_log(0, "Description and/or serial number must be set for FTDI device opening\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    return {false, request.description};
}

void refuse_open(const FtdiOpenKey& key, const char* reason) {
    console_log(0, "Can't open FTDI device with %s \"%s\" (%s)\n",
                key.by_serial_number ? "serial number" : "description", key.text.c_str(), reason);
    throw app_error(EXIT_ENVIRONMENT);
}

void check_opened_device(const ftdi_device_params_t& request, const ftdi_device_params_t& found) {
    if (!matches(request, found)) {
        console_log(0, "Can't use opened FTDI device (some of parameters not match)\n");
        print_ftdi_device_params(0, "Requested", request);
        print_ftdi_device_params(0, "Found    ", found);
        throw app_error(EXIT_ENVIRONMENT);
    }
    check_channel(found);
}

std::uint32_t requested_usb_id(const ftdi_device_params_t& request) {
    if (request.vendor_id == 0 && request.product_id == 0) {
        return 0;
    }
    const std::uint32_t vendor = request.vendor_id != 0 ? request.vendor_id : ftdi_vendor_id;
    const std::uint32_t product =
        request.product_id != 0 ? request.product_id : default_ftdi_product_id(request.type);
    console_log(3, "\t%% USB ID %04X:%04X\n", static_cast<unsigned>(vendor),
                static_cast<unsigned>(product));
    return vendor << 16 | product;
}

} // namespace quarnel
