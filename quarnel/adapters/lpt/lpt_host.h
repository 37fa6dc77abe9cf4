// Parallel ports through the host's own interfaces: ppdev and direct I/O.
#pragma once

#include "platform/parallel_port.h"
#include "quarnel/adapters/lpt/lpt.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quarnel {

// Forwards the register operations to a claimed platform port.
class lpt_host_port_t : public lpt_t {
  public:
    std::uint8_t read_register(std::uint8_t offset) override;
    void write_register(std::uint8_t offset, std::uint8_t value) override;
    void write_data_block(const std::uint8_t* data, int len) override;

  protected:
    explicit lpt_host_port_t(std::unique_ptr<platform::parallel_port> port);

  private:
    std::unique_ptr<platform::parallel_port> port;
};

// Direct port I/O at a base address (kept by the platform port).
class lpt_io_t : public lpt_host_port_t {
  public:
    // Fails naming the address and the reason (status 70).
    explicit lpt_io_t(std::uint32_t base);
};

// A port of the Linux ppdev driver.
class lpt_ppdev_t : public lpt_host_port_t {
  public:
    // Fails naming the device and the reason (status 70).
    explicit lpt_ppdev_t(const std::string& device);
};

} // namespace quarnel
