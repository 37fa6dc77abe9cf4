// An FTDI chip channel opened through libftdi1.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"
#include "quarnel/adapters/ftdi/libftdi/libftdi_library.h"

#include <memory>

namespace quarnel {

class ftdi_chip_libftdi_t final : public ftdi_chip_t {
  public:
    // Takes ownership of the library and of a context whose device is open.
    ftdi_chip_libftdi_t(ftdi_chip_type chip_type, std::unique_ptr<libftdi_library_t> ftdi_library,
                        libftdi::ftdi_context* open_context);
    // Closes the device and frees the context, then unloads the library.
    ~ftdi_chip_libftdi_t() override;

    void set_bit_mode(std::uint8_t mask, ftdi_bit_mode mode) override;
    void receive(std::uint8_t* buffer, std::uint32_t length) override;
    void send(const std::uint8_t* buffer, std::uint32_t length) override;
    void purge(ftdi_purge buffer) override;
    void set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) override;
    void set_latency_timer(std::uint8_t ms) override;
    void set_baud_rate(std::uint32_t rate) override;
    void exchange(const std::uint8_t* out, std::uint8_t* in, std::uint32_t length) override;

  private:
    // Ends the run with the library's reason when `result` is negative.
    void check(const char* operation, int result) const;

    std::unique_ptr<libftdi_library_t> library;
    libftdi::ftdi_context* context;
};

} // namespace quarnel
