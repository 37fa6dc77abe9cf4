// Parsing of the Linux SPI adapter's -p text.
#include "quarnel/adapters/linuxspi/linuxspi_port.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <charconv>
#include <string_view>

namespace quarnel {

namespace {
[[noreturn]] void refuse(const std::string& port_spec) {
    console_log(0, "Invalid linuxspi port '%s', use [SPIDEV][:GPIOCHIP[:[~]LINE]]\n",
                port_spec.c_str());
    throw app_error(EXIT_ENVIRONMENT);
}
} // namespace

linuxspi_port_t parse_linuxspi_port(const std::optional<std::string>& port_spec) {
    linuxspi_port_t port;
    if (!port_spec) {
        return port;
    }
    std::string_view rest = *port_spec;
    std::string_view parts[3];
    int count = 0;
    for (; count < 3; ++count) {
        const std::size_t colon = rest.find(':');
        parts[count] = rest.substr(0, colon);
        if (colon == std::string_view::npos) {
            ++count;
            rest = {};
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    if (!rest.empty()) {
        refuse(*port_spec);
    }
    if (!parts[0].empty()) {
        port.spi_device = parts[0];
    }
    if (count > 1 && !parts[1].empty()) {
        port.gpio_chip = parts[1];
    }
    if (count > 2 && !parts[2].empty()) {
        std::string_view line = parts[2];
        port.reset_inverted = line.front() == '~';
        if (port.reset_inverted) {
            line.remove_prefix(1);
        }
        const char* end = line.data() + line.size();
        const auto [stop, error] = std::from_chars(line.data(), end, port.reset_line);
        if (line.empty() || error != std::errc{} || stop != end || port.reset_line > 1023) {
            refuse(*port_spec);
        }
    }
    return port;
}

} // namespace quarnel
