// Parsing of the ArduinoISP programmer's -p text.
#include "quarnel/programmers/arduinoisp/arduinoisp_port.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <charconv>
#include <string_view>

namespace quarnel {

namespace {
[[noreturn]] void refuse(const char* text) {
    console_log(0, "Invalid arduinoisp port '%s', use -pPORT[,b=BAUD] (-p/dev/ttyACM0, -pCOM3)\n",
                text);
    throw app_error(EXIT_ENVIRONMENT);
}
} // namespace

arduinoisp_port_t parse_arduinoisp_port(const std::optional<std::string>& port_spec) {
    if (!port_spec) {
        console_log(0, "ArduinoISP needs its serial port: -p/dev/ttyACM0, -pCOM3\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    arduinoisp_port_t port;
    const std::string_view text = *port_spec;
    const std::size_t comma = text.find(',');
    port.path = text.substr(0, comma);
    if (port.path.empty()) {
        refuse(port_spec->c_str());
    }
    if (comma == std::string_view::npos) {
        return port;
    }
    const std::string_view option = text.substr(comma + 1);
    if (option.substr(0, 2) != "b=") {
        refuse(port_spec->c_str());
    }
    const std::string_view digits = option.substr(2);
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, port.baud);
    if (digits.empty() || error != std::errc{} || stop != end || port.baud == 0) {
        refuse(port_spec->c_str());
    }
    return port;
}

} // namespace quarnel
