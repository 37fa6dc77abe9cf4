// ppdev and direct-I/O ports over the platform backends.
#include "quarnel/adapters/lpt/lpt_host.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <cstdio>

namespace quarnel {

namespace {

std::unique_ptr<platform::parallel_port> opened(std::unique_ptr<platform::parallel_port> port,
                                                const char* what, const std::string& where) {
    if (port == nullptr) {
        console_log(0, "Can't open %s %s\n", what, where.c_str());
        throw win32_error(EXIT_ENVIRONMENT);
    }
    return port;
}

std::string hex_address(std::uint32_t base) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(base));
    return text;
}

} // namespace

lpt_host_port_t::lpt_host_port_t(std::unique_ptr<platform::parallel_port> opened)
    : port(std::move(opened)) {}

std::uint8_t lpt_host_port_t::read_register(std::uint8_t offset) {
    return port->read_register(offset);
}

void lpt_host_port_t::write_register(std::uint8_t offset, std::uint8_t value) {
    port->write_register(offset, value);
}

void lpt_host_port_t::write_data_block(const std::uint8_t* data, int len) {
    if (len > 0) {
        port->write_data_block(data, static_cast<std::size_t>(len));
    }
}

lpt_io_t::lpt_io_t(std::uint32_t base)
    : lpt_host_port_t(
          opened(platform::open_direct_port(base), "LPT port at address", hex_address(base))) {
    console_log(3, "\t%% Direct I/O interface activated\n");
    measure_cycle_time();
}

lpt_ppdev_t::lpt_ppdev_t(const std::string& device)
    : lpt_host_port_t(opened(platform::open_ppdev_port(device), "LPT device", device)) {
    console_log(3, "\t%% ppdev interface %s activated\n", device.c_str());
    measure_cycle_time();
}

} // namespace quarnel
