// Port selection from the -p switch and the host's port interfaces.
#include "quarnel/adapters/lpt/open_port.h"

#include "platform/parallel_port.h"
#include "quarnel/adapters/lpt/lpt_dlportio.h"
#include "quarnel/adapters/lpt/lpt_host.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"

#include <cctype>
#include <cstdlib>

namespace quarnel {

namespace {

constexpr std::uint32_t lpt_bases[] = {0x378, 0x278, 0x3BC};

[[noreturn]] void invalid_port() {
    console_log(0, "Invalid value for switch -p\n");
    throw app_error(EXIT_ENVIRONMENT);
}

// The whole text as one hexadecimal number (an optional 0x before it) that
// fits 32 bits.
std::uint32_t read_hex(std::string text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.erase(0, 2);
    }
    if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text[0]))) {
        invalid_port();
    }
    std::uint64_t value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            invalid_port();
        }
        value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                                       ? c - '0'
                                                       : std::tolower(c) - 'a' + 10);
        if (value > 0xFFFFFFFFu) {
            invalid_port();
        }
    }
    return static_cast<std::uint32_t>(value);
}

std::unique_ptr<lpt_t> open_host_port(const PortSelection& selection) {
    const char* library = std::getenv("DLPORTIO_LIBRARY");
    if (library != nullptr && library[0] != '\0') {
        return std::make_unique<lpt_dlportio_t>(std::make_unique<dlportio_t>(library),
                                                selection.base);
    }
    const platform::port_route route = platform::route_port(selection.number, selection.base);
    switch (route.how) {
    case platform::port_route::kind::ppdev:
        return std::make_unique<lpt_ppdev_t>(route.name);
    case platform::port_route::kind::dlportio:
        return std::make_unique<lpt_dlportio_t>(std::make_unique<dlportio_t>(route.name.c_str()),
                                                selection.base);
    case platform::port_route::kind::direct:
        break;
    }
    return std::make_unique<lpt_io_t>(selection.base);
}

} // namespace

PortSelection parse_port_spec(const std::optional<std::string>& port_spec) {
    std::uint32_t value = 2;
    if (port_spec) {
        std::string text = *port_spec;
        const auto comma = text.find(',');
        if (comma != std::string::npos) {
            text.resize(comma);
            console_log(1, "warning: forced LPT cycle time will be ignored\n");
        }
        if (!text.empty() && text[0] == '/') {
            invalid_port();
        }
        value = read_hex(text);
    }
    if (value == 0 || (value >= 0x04 && value <= 0xFF)) {
        invalid_port();
    }
    PortSelection selection;
    if (value <= 3) {
        console_log(3, "\t%% LPT port number %d\n", static_cast<int>(value));
        selection.number = value;
        selection.base = lpt_bases[value - 1];
    } else {
        selection.base = value;
    }
    console_log(3, "\t%% LPT base address 0x%3X\n", static_cast<unsigned>(selection.base));
    return selection;
}

std::unique_ptr<lpt_t> open_port(const std::optional<std::string>& port_spec) {
    auto port = open_host_port(parse_port_spec(port_spec));
    port->set_data_output();
    console_log(3, "\t%% LPT write cycle %s\n", format_time(port->cycle_time, TIME_US).c_str());
    return port;
}

} // namespace quarnel
