// Byte access to the I/O ports of the parallel port that carries the adapter.
#pragma once

#include <cstdint>
#include <memory>

namespace dorvik {

// One way of reaching the I/O ports of the adapter's parallel port.
class PortBackend {
  public:
    virtual ~PortBackend() = default;
    virtual std::uint8_t read_port(std::uint32_t address) = 0;
    virtual void write_port(std::uint32_t address, std::uint8_t value) = 0;
};

// Opens the port at `lpt_base`: a DLPortIO-compatible library when the
// environment variable DLPORTIO_LIBRARY names one, else the host's own way
// (platform::open_system_port: on Linux the ppdev device whose base address
// matches, else direct port I/O; on Windows the linked DLPortIO functions). Returns 0, or -1 after
// printing which access failed and why.
int open_port_access(std::uint32_t lpt_base);

// Replaces the port access in use (the program opens its own with
// open_port_access; tests put a model of the adapter here).
void install_port_backend(std::unique_ptr<PortBackend> backend);

// Writes and reads an I/O port (the data register or the status register).
void port_write(std::uint32_t address, std::uint8_t value);
std::uint8_t port_read(std::uint32_t address);

} // namespace dorvik
