// The programming adapter as the ISP engine sees it: SPI bytes plus the
// auxiliary lines (reset, power, buffer enable, LEDs, key) and timed waits.
#pragma once

#include <cstdint>

namespace quarnel {

class spi_t {
  public:
    virtual ~spi_t() = default;

    // True when cost lies in the number of calls (USB), not in the bits.
    virtual bool is_packet_based() = 0;
    // One full-duplex byte, most significant bit first.
    virtual std::uint8_t transfer_byte(std::uint8_t out) = 0;
    virtual void send_byte(std::uint8_t out);
    virtual std::uint8_t receive_byte();
    virtual void transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len);
    virtual void send_buffer(const std::uint8_t* out, int len);
    virtual void receive_buffer(std::uint8_t* in, int len);
    // Clocks out `send_len` bytes whose replies nobody reads, then exchanges `len` bytes, in
    // one go where the adapter can: send_buffer, then transfer_buffer.
    virtual void send_then_transfer(const std::uint8_t* send, int send_len, const std::uint8_t* out,
                                    std::uint8_t* in, int len);
    virtual void set_reset(bool active) = 0;
    virtual void reset_pulse() = 0;
    virtual void sck_pulse() = 0;
    virtual void delay_ms(float ms) = 0;
    virtual bool has_power() = 0;
    virtual void power_on() = 0;
    virtual void power_off() = 0;
    virtual bool has_enable() = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    virtual void set_led_ok(bool on) = 0;
    virtual void set_led_error(bool on) = 0;
    virtual bool has_key() = 0;
    virtual bool key_pressed() = 0;
    // Effective SCK frequency in MHz.
    virtual float sck_frequency() = 0;
    virtual const char* name() = 0;
};

} // namespace quarnel
