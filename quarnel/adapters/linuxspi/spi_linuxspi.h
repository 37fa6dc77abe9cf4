// SPI adapter on a Linux SPI controller (spidev) with the target's RESET on a GPIO line. The
// controller clocks whole bytes: a run of instructions goes out as one transfer of one message,
// split only where spidev's buffer ends.
#pragma once

#include "platform/spi_device.h"
#include "quarnel/adapters/spi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarnel {

// How the adapter leaves RESET: released and given back (the line keeps the released level),
// or (-az) as an input.
enum class linuxspi_exit { release, make_input };

class spi_linuxspi_t final : public spi_t {
  public:
    // Takes the open device and the RESET line, held at its released level. `asserted_high`:
    // the level that holds the target in reset (high behind an inverter).
    spi_linuxspi_t(std::unique_ptr<platform::spi_device> device, std::string device_name,
                   std::unique_ptr<platform::gpio_output> reset_line, bool asserted_high,
                   std::uint32_t sck_hz, linuxspi_exit exit = linuxspi_exit::release);
    ~spi_linuxspi_t() override;

    bool is_packet_based() override { return true; }
    std::uint8_t transfer_byte(std::uint8_t out) override;
    void transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) override;
    void send_buffer(const std::uint8_t* out, int len) override;
    void receive_buffer(std::uint8_t* in, int len) override;
    void send_then_transfer(const std::uint8_t* send, int send_len, const std::uint8_t* out,
                            std::uint8_t* in, int len) override;
    void set_reset(bool active) override;
    void reset_pulse() override;
    // spidev clocks whole bytes only: the target's framing is restarted with a short release
    // of RESET instead of shifted by one clock.
    void sck_pulse() override { reset_pulse(); }
    void delay_ms(float ms) override;
    bool has_power() override { return false; }
    void power_on() override {}
    void power_off() override {}
    bool has_enable() override { return false; }
    void enable() override {}
    void disable() override {}
    void set_led_ok(bool) override {}
    void set_led_error(bool) override {}
    bool has_key() override { return false; }
    bool key_pressed() override { return false; }
    float sck_frequency() override { return static_cast<float>(sck_hz_) / 1e6f; }
    const char* name() override { return "Linux SPI"; }

  private:
    // The bytes as messages of at most the kernel's limit; `in` may be null.
    void exchange(const std::uint8_t* out, std::uint8_t* in, std::size_t len);
    void drive_reset(bool active);

    std::unique_ptr<platform::spi_device> device;
    std::string device_name;
    std::unique_ptr<platform::gpio_output> reset;
    bool asserted_high;
    std::uint32_t sck_hz_;
    linuxspi_exit exit_mode;
    std::size_t message_limit;
    std::vector<std::uint8_t> out_buffer;
    std::vector<std::uint8_t> in_buffer;
};

} // namespace quarnel
