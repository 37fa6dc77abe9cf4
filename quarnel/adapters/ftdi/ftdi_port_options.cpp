// Parsing of FTDI device selection options and the factory descriptions of the chips.
#include "quarnel/adapters/ftdi/ftdi_port_options.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <charconv>
#include <string>

namespace quarnel {

namespace {
constexpr std::size_t option_max = 66;        // "d=" and a 64-character description
constexpr std::size_t serial_option_max = 18; // "s=" and a 16-character serial number

// A USB ID: one to four hexadecimal digits, not 0.
std::uint16_t usb_id(const std::string& option) {
    const std::string_view digits = std::string_view(option).substr(2);
    unsigned value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, 16);
    if (error != std::errc{} || stop != end || digits.size() > 4 || value == 0) {
        console_log(0, "Invalid FTDI chip option '%s'\n", option.c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    return static_cast<std::uint16_t>(value);
}

void apply_option(std::string_view option, ftdi_device_params_t& request) {
    const std::string text(option);
    if (option.size() > option_max) {
        console_log(0, "Option too long: '%.*s'\n", static_cast<int>(option.size()), option.data());
        throw app_error(EXIT_ENVIRONMENT);
    }
    if (option.size() < 3 || option[1] != '=') {
        console_log(0, "Invalid FTDI chip option '%s'\n", text.c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    const std::string value(option.substr(2));
    switch (option[0]) {
    case 'd':
        request.description = value;
        break;
    case 's':
        if (option.size() > serial_option_max) {
            console_log(0, "Serial number too long: '%s'\n", text.c_str());
            throw app_error(EXIT_ENVIRONMENT);
        }
        request.serial_number = value;
        break;
    case 'v':
        request.vendor_id = usb_id(text);
        break;
    case 'p':
        request.product_id = usb_id(text);
        break;
    default:
        console_log(0, "Invalid FTDI chip option '%s'\n", text.c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
}
} // namespace

void parse_ftdi_port_options(std::string_view port_spec, ftdi_device_params_t& request) {
    for (;;) {
        const std::size_t comma = port_spec.find(',');
        apply_option(port_spec.substr(0, comma), request);
        if (comma == std::string_view::npos) {
            return;
        }
        port_spec.remove_prefix(comma + 1);
    }
}

void parse_ftdi_listing_options(std::string_view port_spec, ftdi_device_params_t& request) {
    // What follows the '?' is not checked, except the USB IDs that widen the listing.
    for (;;) {
        const std::size_t comma = port_spec.find(',');
        const std::string_view option = port_spec.substr(0, comma);
        if (option.starts_with("v=") || option.starts_with("p=")) {
            apply_option(option, request);
        }
        if (comma == std::string_view::npos) {
            return;
        }
        port_spec.remove_prefix(comma + 1);
    }
}

std::uint16_t default_ftdi_product_id(ftdi_chip_type chip_type) {
    switch (chip_type) {
    case ftdi_chip_type::ft4232h:
        return 0x6011;
    case ftdi_chip_type::ft232h:
        return 0x6014;
    case ftdi_chip_type::ft232r:
        return 0x6001;
    case ftdi_chip_type::x_series:
        return 0x6015;
    default:
        return 0x6010;
    }
}

const char* default_ftdi_description(ftdi_chip_type chip_type) {
    switch (chip_type) {
    case ftdi_chip_type::ft4232h:
        return "Quad RS232-HS A";
    case ftdi_chip_type::ft2232h:
        return "Dual RS232-HS A";
    case ftdi_chip_type::ft232h:
        return "Single RS232-HS";
    case ftdi_chip_type::ft232r:
        return "FT232R USB UART";
    default:
        return "Dual RS232 A";
    }
}

} // namespace quarnel
