// Parallel-port adapter setup: mode, pin map, port, detection and SCK timing.
#include "quarnel/adapters/lpt/lpt_adapter_setup.h"

#include "quarnel/adapters/lpt/lpt_adapter_tables.h"
#include "quarnel/adapters/lpt/lpt_detect.h"
#include "quarnel/adapters/lpt/lpt_pins.h"
#include "quarnel/adapters/lpt/open_port.h"
#include "quarnel/adapters/lpt/spi_lpt.h"
#include "quarnel/adapters/pinmap_parser.h"
#include "quarnel/common/command_errors.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"

#include <cctype>

namespace quarnel {

namespace {

enum class lpt_mode { kelma, automatic, byteblaster, user, stk, xilinx };

lpt_mode parse_mode(const std::optional<std::string>& adapter_spec) {
    if (!adapter_spec || adapter_spec->empty()) {
        return lpt_mode::kelma;
    }
    const std::string& text = *adapter_spec;
    lpt_mode mode;
    switch (std::toupper(static_cast<unsigned char>(text[0]))) {
    case 'A':
        mode = lpt_mode::automatic;
        break;
    case 'B':
        mode = lpt_mode::byteblaster;
        break;
    case 'M':
        return lpt_mode::user;
    case 'S':
        mode = lpt_mode::stk;
        break;
    case 'X':
        mode = lpt_mode::xilinx;
        break;
    default:
        invalid_switch_value('A', text.c_str());
    }
    if (text.size() > 1) {
        invalid_switch_value('A', text.c_str() + 1);
    }
    return mode;
}

// The not-found rule for a buffered adapter that did not answer.
void not_found(const AdapterSettings& settings, const char* adapter) {
    if (settings.force) {
        console_log(1, "%s not found, but forced by '-!'\n", adapter);
        return;
    }
    console_log(0, "%s not found\n", adapter);
    throw app_error(EXIT_ENVIRONMENT);
}

// The table of the ByteBlaster found (the plain one when none answers).
bool choose_byteblaster(pinmap_t& map, lpt_t& port) {
    const auto kind = detect_byteblaster_kind(port);
    map = kind == byteblaster_kind::byteblaster_2 ? byteblaster2_pinmap : byteblaster_pinmap;
    return kind != byteblaster_kind::none;
}

void choose_stk(const AdapterSettings& settings, pinmap_t& map) {
    map = stk_pinmap;
    if (settings.osc_hz != 0) {
        map[SIG_ENABLE].inverted |= LPT_D6;
    } else {
        map[SIG_XTAL].normal = LPT_D6;
    }
}

void choose_kelma(const AdapterSettings& settings, pinmap_t& map, const lpt_t& port) {
    map = kelma_pinmap;
    if (settings.lazy) {
        if (!port.can_set_direction) {
            console_log(0, "Can't control LPT data direction bit (required for -AZ)\n");
            throw app_error(EXIT_ENVIRONMENT);
        }
        map[SIG_ENABLE] = {.normal = 0, .inverted = LPT_BIDIR_EN};
    }
    if (settings.power_from_data) {
        map[SIG_POWER] = {.normal = LPT_D0 | LPT_D1 | LPT_D2 | LPT_D7, .inverted = 0};
    }
}

std::unique_ptr<spi_t> make_adapter(const AdapterSettings& settings, std::unique_ptr<lpt_t> port,
                                    const pinmap_t& map) {
    const unsigned f = settings.osc_hz;
    if (f == 0) {
        const SckPhases phases = settings.phases();
        auto spi = std::make_unique<spi_lpt_t>(std::move(port), map, static_cast<int>(phases.low),
                                               static_cast<int>(phases.high));
        console_log(3, "\t%% with SCK low %d periods, high %d periods\n",
                    static_cast<int>(phases.low), static_cast<int>(phases.high));
        return spi;
    }
    float x = 1e6f / static_cast<float>(f);
    float low_us, high_us;
    if (settings.sck_given) {
        low_us = high_us = x * 0.5f;
    } else {
        // A 5 % margin on the oscillator period.
        const SckPhases phases = settings.phases();
        x *= 1.05f;
        low_us = static_cast<float>(phases.low) * x;
        high_us = static_cast<float>(phases.high) * x;
    }
    auto spi = std::make_unique<spi_lpt_t>(std::move(port), map, low_us, high_us);
    console_log(3, "\t%% %s frequency = %s\n",
                settings.sck_given ? "SPI SCK requested" : "MCU oscillator",
                format_frequency(f, FREQ_HZ).c_str());
    console_log(3, "\t%% setup %s, hold %s\n", format_time(low_us, TIME_US).c_str(),
                format_time(high_us, TIME_US).c_str());
    console_log(3, "\t%% actual SCK frequency %s\n",
                format_frequency(spi->sck_frequency(), FREQ_MHZ).c_str());
    return spi;
}

} // namespace

std::unique_ptr<spi_t> create_lpt_adapter(const AdapterSettings& settings) {
    return create_lpt_adapter(settings, [&] { return open_port(settings.port_spec); });
}

std::unique_ptr<spi_t> create_lpt_adapter(const AdapterSettings& settings,
                                          const lpt_port_opener& open) {
    const std::optional<std::string>& adapter_spec = settings.adapter_spec;
    const lpt_mode mode = parse_mode(adapter_spec);
    pinmap_t map;
    if (mode == lpt_mode::user) {
        parse_pinmap(map, adapter_spec->c_str(), lpt_pin_table);
        require_defined(map, {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_MISO});
        require_within(map, {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_XTAL}, LPT_DATA_LINES,
                       "D0..D7 lines");
        console_log(2, "Adapter '%s'\n", map.name);
    }

    auto port = open();
    switch (mode) {
    case lpt_mode::kelma:
        choose_kelma(settings, map, *port);
        break;
    case lpt_mode::byteblaster:
        if (!choose_byteblaster(map, *port)) {
            not_found(settings, "Altera ByteBlaster");
        }
        break;
    case lpt_mode::stk:
        if (!detect_stk(*port)) {
            not_found(settings, "Atmel STK* adapter");
        }
        choose_stk(settings, map);
        break;
    case lpt_mode::automatic:
        if (detect_stk(*port)) {
            choose_stk(settings, map);
        } else if (!choose_byteblaster(map, *port)) {
            console_log(0, "Known buffered adapter not found\n");
            throw app_error(EXIT_ENVIRONMENT);
        }
        break;
    case lpt_mode::xilinx:
        map = xilinx_pinmap;
        break;
    case lpt_mode::user:
        break;
    }
    console_log(3, "\t%% %s adapter mode\n", map.name);

    // Tables name reset's line at its plain level; asserting reset drives it low.
    std::swap(map[SIG_RESET].normal, map[SIG_RESET].inverted);

    if (settings.osc_hz == 0 && !map[SIG_XTAL].present()) {
        console_log(0, "Can't generate XTAL, %s has no XTAL output\n", map.name);
        throw app_error(EXIT_ENVIRONMENT);
    }
    return make_adapter(settings, std::move(port), map);
}

} // namespace quarnel
