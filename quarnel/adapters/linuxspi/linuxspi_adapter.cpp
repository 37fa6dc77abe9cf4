// Linux SPI adapter factory.
#include "quarnel/adapters/linuxspi/linuxspi_adapter.h"

#include "platform/spi_device.h"
#include "platform/system_error.h"
#include "quarnel/adapters/linuxspi/linuxspi_port.h"
#include "quarnel/adapters/linuxspi/spi_linuxspi.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"
#include "quarnel/devices/device_lookup.h"

namespace quarnel {

namespace {
[[noreturn]] void fail_with_system_reason() {
    console_log(0, "%s\n", platform::last_system_error().c_str());
    throw app_error(EXIT_ENVIRONMENT);
}
} // namespace

bool is_linuxspi_adapter_spec(const std::string& adapter_spec) {
    return equals_ignoring_case(adapter_spec, "linuxspi");
}

std::unique_ptr<spi_t> create_linuxspi_adapter(const AdapterSettings& settings) {
    if (!platform::spi_devices_supported()) {
        console_log(0, "Adapter 'linuxspi' works on Linux only\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    if (settings.osc_hz == 0) {
        console_log(0, "Linux SPI adapter can't generate XTAL\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    const linuxspi_port_t port = parse_linuxspi_port(settings.port_spec);
    const std::uint32_t sck_hz = settings.requested_sck_hz();
    if (sck_hz == 0) {
        console_log(0, "SCK frequency for Linux SPI adapter must be at least 1Hz\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    auto device = platform::open_spi_device(port.spi_device);
    if (!device) {
        fail_with_system_reason();
    }
    // The line starts at its released level: RESET is driven from the first moment on.
    auto reset = platform::request_gpio_output(port.gpio_chip, port.reset_line,
                                               !port.reset_inverted, "quarnel reset");
    if (!reset) {
        fail_with_system_reason();
    }
    console_log(3, "\t%% %s, RESET on line %u of %s%s\n", port.spi_device.c_str(), port.reset_line,
                port.gpio_chip.c_str(), port.reset_inverted ? " through an inverter" : "");
    auto adapter = std::make_unique<spi_linuxspi_t>(
        std::move(device), port.spi_device, std::move(reset), port.reset_inverted, sck_hz,
        settings.lazy ? linuxspi_exit::make_input : linuxspi_exit::release);
    console_log(3, "\t%% %s SPI adapter created, SCK frequency %s\n", adapter->name(),
                format_frequency(adapter->sck_frequency(), FREQ_MHZ).c_str());
    return adapter;
}

} // namespace quarnel
