// FTDI bit-bang adapter factory: chip, pin map, device request and SCK.
#include "quarnel/adapters/ftdi/bitbang/bitbang_adapter.h"

#include "quarnel/adapters/ftdi/bitbang/bitbang_clock.h"
#include "quarnel/adapters/ftdi/bitbang/bitbang_pins.h"
#include "quarnel/adapters/ftdi/bitbang/spi_ftdi_bitbang.h"
#include "quarnel/adapters/ftdi/ftdi_devices.h"
#include "quarnel/adapters/pinmap_parser.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"
#include "quarnel/devices/device_lookup.h"

#include <string_view>
#include <utility>

namespace quarnel {

namespace {

struct bitbang_chip {
    const char* name;
    ftdi_chip_type type;
    const pin_table_t* pins;
    std::uint32_t lines;     // the lines the chip has
    const char* label;       // for the must-be-in message
    const char* description; // the chip's factory USB product text
};

const bitbang_chip chips[] = {
    {"ft232r", ftdi_chip_type::ft232r, &ft232r_pin_table, 0xFF, "D0..D7 lines", "FT232R USB UART"},
    {"ft231x", ftdi_chip_type::x_series, &ft232r_pin_table, 0xFF, "D0..D7 lines",
     "FT231X USB UART"},
    {"ft230x", ftdi_chip_type::x_series, &ft230x_pin_table, 0x0F, "D0..D3 lines",
     "FT230X Basic UART"},
};

// The chip an -a text names: its name alone or before the PINMAP's first '=' or ':'.
const bitbang_chip* chip_named(std::string_view adapter_spec) {
    const std::size_t end = adapter_spec.find_first_of("=:");
    const std::string_view name = adapter_spec.substr(0, end);
    for (const bitbang_chip& chip : chips) {
        if (equals_ignoring_case(name, chip.name)) {
            return &chip;
        }
    }
    return nullptr;
}

} // namespace

bool is_bitbang_adapter_spec(const std::string& adapter_spec) {
    return chip_named(adapter_spec) != nullptr;
}

bitbang_adapter_spec_t parse_bitbang_adapter_spec(const std::string& adapter_spec) {
    const bitbang_chip& chip = *chip_named(adapter_spec);
    bitbang_adapter_spec_t parsed{chip.type, {}};
    pinmap_t& pins = parsed.pins;
    clear(pins);
    parse_pinmap(pins, adapter_spec.c_str(), *chip.pins);
    const pinmap_t listed = pins;
    fill_defaults(pins, default_bitbang_pinmap());
    require_own_lines(listed, pins, *chip.pins);
    require_within(pins, {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_MISO}, chip.lines, chip.label);
    // A plainly listed reset line goes low while the target is held in reset.
    std::swap(pins[SIG_RESET].normal, pins[SIG_RESET].inverted);
    return parsed;
}

std::unique_ptr<spi_t> create_bitbang_adapter(const AdapterSettings& settings) {
    const std::string& adapter_spec = settings.adapter_spec.value();
    if (settings.osc_hz == 0) {
        console_log(0, "FTDI bit-bang adapter can't generate XTAL\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    const bitbang_chip& chip = *chip_named(adapter_spec);
    const bitbang_adapter_spec_t parsed = parse_bitbang_adapter_spec(adapter_spec);

    ftdi_device_params_t request = ftdi_device_request(parsed.chip_type, settings.port_spec);
    if (request.serial_number.empty() && request.description.empty()) {
        request.description = chip.description;
        console_log(3, "\t%% FTDI device with default description \"%s\" will be used\n",
                    request.description.c_str());
    }

    const std::uint32_t sck_hz = settings.requested_sck_hz();
    bitbang_clock(sck_hz); // refuses an unreachable SCK before the device is opened
    auto adapter = std::make_unique<spi_ftdi_bitbang_t>(
        open_ftdi_chip(request), parsed.pins, sck_hz,
        settings.lazy ? bitbang_exit::keep_inputs : bitbang_exit::leave_bitbang);
    console_log(3, "\t%% %s SPI adapter created, SCK frequency %s\n", adapter->name(),
                format_frequency(adapter->sck_frequency(), FREQ_MHZ).c_str());
    return adapter;
}

} // namespace quarnel
