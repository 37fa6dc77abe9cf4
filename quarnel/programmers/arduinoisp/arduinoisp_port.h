// The -p text of the ArduinoISP programmer: "PORT[,b=BAUD]".
#pragma once

#include <optional>
#include <string>

namespace quarnel {

struct arduinoisp_port_t {
    std::string path;      // /dev/ttyACM0, COM3
    unsigned baud = 19200; // the sketch's own
};

// A missing port, an empty one or an option other than b=BAUD logs its reason and raises
// app_error 70.
arduinoisp_port_t parse_arduinoisp_port(const std::optional<std::string>& port_spec);

} // namespace quarnel
