// An FTDI chip channel opened through the D2XX library.
#pragma once

#include "quarnel/adapters/ftdi/d2xx/ftd2xx_library.h"
#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <memory>

namespace quarnel {

class ftdi_chip_ftd2xx_t final : public ftdi_chip_t {
  public:
    // Takes ownership of the library and of the open device handle.
    ftdi_chip_ftd2xx_t(ftdi_chip_type chip_type, std::unique_ptr<ftd2xx_library_t> d2xx_library,
                       d2xx::FT_HANDLE device);
    // Closes the device, then unloads the library.
    ~ftdi_chip_ftd2xx_t() override;

    void set_bit_mode(std::uint8_t mask, ftdi_bit_mode mode) override;
    void receive(std::uint8_t* buffer, std::uint32_t length) override;
    void send(const std::uint8_t* buffer, std::uint32_t length) override;
    void purge(ftdi_purge buffer) override;
    void set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) override;
    void set_latency_timer(std::uint8_t ms) override;
    void set_baud_rate(std::uint32_t rate) override;
    void exchange(const std::uint8_t* out, std::uint8_t* in, std::uint32_t length) override;

  private:
    std::unique_ptr<ftd2xx_library_t> library;
    d2xx::FT_HANDLE handle;
};

// Ends the run when `status` is not FT_OK ("Can't <operation> (<status name>)") or when a
// transfer moved fewer bytes than asked ("Can't <operation>").
void check_ftdi_status(const char* operation, d2xx::FT_STATUS status, bool short_transfer);

} // namespace quarnel
