// FTDI adapter factory: chip type, pin map, device request and SCK frequency.
#include "quarnel/adapters/ftdi/mpsse/mpsse_adapter.h"

#include "quarnel/adapters/ftdi/ftdi_devices.h"
#include "quarnel/adapters/ftdi/ftdi_pins.h"
#include "quarnel/adapters/ftdi/ftdi_port_options.h"
#include "quarnel/adapters/ftdi/mpsse/mpsse_clock.h"
#include "quarnel/adapters/ftdi/mpsse/spi_ftdi_mpsse.h"
#include "quarnel/adapters/pinmap_parser.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"
#include "quarnel/devices/device_lookup.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace quarnel {

namespace {

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equals_ignoring_case(text.substr(0, prefix.size()), prefix);
}

struct chip_choice {
    ftdi_chip_type type;
    pin_table_t pins;
};

// The longer names first: "ft2232h" also begins with "ft2232".
chip_choice choose_chip(const std::string& adapter_spec) {
    if (starts_with_ignoring_case(adapter_spec, "ft2232h")) {
        return {ftdi_chip_type::ft2232h, ft2232h_pin_table};
    }
    if (starts_with_ignoring_case(adapter_spec, "ft4232h")) {
        return {ftdi_chip_type::ft4232h, ft4232h_pin_table};
    }
    if (starts_with_ignoring_case(adapter_spec, "ft232h")) {
        return {ftdi_chip_type::ft232h, ft2232h_pin_table};
    }
    return {ftdi_chip_type::ft2232c, ft2232_pin_table};
}

void require_mpsse_data_lines(const pinmap_t& map) {
    if (map[SIG_MOSI].lines() != MPSSE_MOSI_LINE || map[SIG_MISO].lines() != MPSSE_MISO_LINE ||
        map[SIG_SCK].lines() != MPSSE_SCK_LINE) {
        console_log(0, "FTDI hardware SPI adapter (MPSSE) can use only predefind MOSI,MISO and "
                       "SCK\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
}

} // namespace

bool is_mpsse_adapter_spec(const std::string& adapter_spec) {
    return starts_with_ignoring_case(adapter_spec, "ft2232") ||
           starts_with_ignoring_case(adapter_spec, "ft4232h") ||
           starts_with_ignoring_case(adapter_spec, "ft232h");
}

mpsse_adapter_spec_t parse_mpsse_adapter_spec(const std::string& adapter_spec) {
    const chip_choice chip = choose_chip(adapter_spec);
    mpsse_adapter_spec_t parsed{chip.type, {}};
    pinmap_t& pins = parsed.pins;
    clear(pins);
    parse_pinmap(pins, adapter_spec.c_str(), chip.pins);
    const pinmap_t listed = pins;
    fill_defaults(pins, default_mpsse_pinmap());
    require_mpsse_data_lines(pins);
    require_own_lines(listed, pins, chip.pins);
    // A plainly listed reset line goes low while the target is held in reset.
    std::swap(pins[SIG_RESET].normal, pins[SIG_RESET].inverted);
    return parsed;
}

std::unique_ptr<spi_t> create_mpsse_adapter(const AdapterSettings& settings) {
    const std::string& adapter_spec = settings.adapter_spec.value();
    const std::optional<std::string>& port_spec = settings.port_spec;
    if (settings.osc_hz == 0) {
        console_log(0, "FTDI hardware SPI adapter (MPSSE) can't generate XTAL\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    const mpsse_adapter_spec_t parsed = parse_mpsse_adapter_spec(adapter_spec);

    ftdi_device_params_t request = ftdi_device_request(parsed.chip_type, port_spec);
    if (port_spec) {
        // USB IDs alone pick the chip by its factory description.
        if (request.serial_number.empty() && request.description.empty()) {
            request.description = default_ftdi_description(parsed.chip_type);
        }
    } else {
        request.description = default_ftdi_description(parsed.chip_type);
        console_log(3,
                    "No FTDI \"port\" switch found\ndevice with default description \"%s\" will "
                    "be used\n",
                    request.description.c_str());
    }

    const std::uint32_t sck_hz = settings.requested_sck_hz();
    mpsse_clock(parsed.chip_type, sck_hz); // refuses an unreachable SCK before the device is opened
    auto adapter = std::make_unique<spi_ftdi_mpsse_t>(open_ftdi_chip(request), parsed.pins, sck_hz,
                                                      settings.lazy ? mpsse_exit::keep_inputs
                                                                    : mpsse_exit::leave_mpsse);
    console_log(3, "\t%% %s SPI adapter created, SCK frequency %s\n", adapter->name(),
                format_frequency(adapter->sck_frequency(), FREQ_MHZ).c_str());
    return adapter;
}

} // namespace quarnel
