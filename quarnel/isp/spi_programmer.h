// The programmer over an spi_t: every instruction as SPI bytes, polling done by the host.
#pragma once

#include "quarnel/isp/programmer.h"

#include <vector>

namespace quarnel {

class spi_t;

class spi_programmer_t final : public programmer_t {
  public:
    explicit spi_programmer_t(spi_t& adapter) : spi(adapter) {}

    Instruction exchange(const Instruction& command) override;
    // The loads go out with one send and the page write with them (one call on packet
    // adapters); only the page write's echo is read.
    bool write_page(const PageWrite& page) override;
    bool write_byte(memory_slot memory, long address, std::uint8_t value,
                    const WritePolling& polling, float time_ms) override;
    // Packet adapters: one transfer for the whole block; bit-banged ones byte by byte, MISO
    // sampled only for the echo and the data.
    void read_block(memory_slot memory, long address, long count, std::uint8_t* buffer,
                    bool extended_address) override;

    void set_reset(bool active) override;
    void reset_pulse() override;
    void sck_pulse() override;
    void delay_ms(float ms) override;
    bool has_power() override;
    void power_on() override;
    void power_off() override;
    bool has_enable() override;
    void enable() override;
    void disable() override;
    void set_led_ok(bool on) override;
    void set_led_error(bool on) override;
    bool has_key() override;
    bool key_pressed() override;

  private:
    std::uint8_t read_byte(memory_slot memory, long address);
    void read_packet(memory_slot memory, long address, long count, std::uint8_t* buffer,
                     bool extended_address);
    // Waits for the end of a write of `value` at `address` taking `time_ms`.
    bool wait_write_done(memory_slot memory, const WritePolling& polling, long address,
                         std::uint8_t value, float time_ms);

    spi_t& spi;
    std::vector<std::uint8_t> loads; // page-load instructions of the page being written
};

} // namespace quarnel
