// An FTDI chip channel opened through the D2XX library.
#pragma once

#include "quarnel/adapters/ftdi/ftd2xx_library.h"
#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <memory>

namespace quarnel {

class ftdi_chip_ftd2xx_t final : public ftdi_chip_t {
  public:
    // Takes ownership of the library and of the open device handle.
    ftdi_chip_ftd2xx_t(std::int32_t type_code, std::unique_ptr<ftd2xx_library_t> d2xx_library,
                       d2xx::FT_HANDLE device);
    // Closes the device, then unloads the library.
    ~ftdi_chip_ftd2xx_t() override;

    void set_bit_mode(std::uint8_t mask, std::uint8_t mode) override;
    void receive(std::uint8_t* buffer, std::uint32_t length) override;
    void send(const std::uint8_t* buffer, std::uint32_t length) override;
    void purge(std::uint8_t mask) override;
    void set_latency_timer(std::uint8_t ms) override;
    void set_baud_rate(std::uint32_t rate) override;
    void set_divisor(std::uint16_t divisor) override;
    void set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) override;

  private:
    std::unique_ptr<ftd2xx_library_t> library;
    d2xx::FT_HANDLE handle;
};

} // namespace quarnel
