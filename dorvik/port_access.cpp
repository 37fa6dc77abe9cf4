// Choice of the port access and the byte reads and writes the ISP driver makes.
#include "dorvik/port_access.h"

#include "dorvik/dlportio_binding.h"
#include "dorvik/run_state.h"
#include "platform/parallel_port.h"
#include "platform/system_error.h"

#include <cstdio>
#include <cstdlib>

namespace dorvik {
namespace {

// A parallel port opened through the platform layer, addressed by I/O address.
class PlatformPort final : public PortBackend {
  public:
    PlatformPort(std::unique_ptr<platform::parallel_port> opened, std::uint32_t address)
        : port(std::move(opened)), base(address) {}

    std::uint8_t read_port(std::uint32_t address) override {
        return port->read_register(address - base);
    }
    void write_port(std::uint32_t address, std::uint8_t value) override {
        port->write_register(address - base, value);
    }

  private:
    std::unique_ptr<platform::parallel_port> port;
    std::uint32_t base;
};

} // namespace

int open_port_access(std::uint32_t lpt_base) {
    if (const char* library = std::getenv("DLPORTIO_LIBRARY"); library != nullptr && *library) {
        state.port = open_dlportio_library(library);
        return state.port ? 0 : -1;
    }
    std::unique_ptr<platform::parallel_port> port = platform::open_system_port(lpt_base);
    if (!port) {
        std::printf("Error open LPT port %03X: %s\n", lpt_base,
                    platform::last_system_error().c_str());
        return -1;
    }
    state.port = std::make_unique<PlatformPort>(std::move(port), lpt_base);
    return 0;
}

void install_port_backend(std::unique_ptr<PortBackend> backend) {
    state.port = std::move(backend);
}

void port_write(std::uint32_t address, std::uint8_t value) {
    state.port->write_port(address, value);
}

std::uint8_t port_read(std::uint32_t address) {
    return state.port->read_port(address);
}

} // namespace dorvik
