// The -p text of the Linux SPI adapter: "[SPIDEV][:GPIOCHIP[:[~]LINE]]".
#pragma once

#include <optional>
#include <string>

namespace quarnel {

struct linuxspi_port_t {
    std::string spi_device = "/dev/spidev0.0";
    std::string gpio_chip = "/dev/gpiochip0";
    unsigned reset_line = 25;    // GPIO 25, header pin 22
    bool reset_inverted = false; // "~": an inverter between the line and the target's RESET
};

// Empty parts keep their defaults. A LINE that is not a number logs its reason and raises
// app_error 70.
linuxspi_port_t parse_linuxspi_port(const std::optional<std::string>& port_spec);

} // namespace quarnel
