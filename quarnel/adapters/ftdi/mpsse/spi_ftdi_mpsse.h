// SPI adapter on the MPSSE engine of an FTDI USB chip.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"
#include "quarnel/adapters/pinmap.h"
#include "quarnel/adapters/spi.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quarnel {

// How the adapter leaves the chip: out of MPSSE mode, which releases every line, or (-az) in
// MPSSE mode with the programming lines as inputs.
enum class mpsse_exit { leave_mpsse, keep_inputs };

// SCK, MOSI and MISO sit on the MPSSE data lines; every other signal on any GPIO line of the
// pin map. Each SPI exchange is one USB write and at most one read.
class spi_ftdi_mpsse_t final : public spi_t {
  public:
    // Puts the chip into MPSSE mode with the SCK divisor for `requested_hz` and every output
    // signal inactive. A frequency the chip cannot make fails before the chip is touched.
    spi_ftdi_mpsse_t(std::unique_ptr<ftdi_chip_t> ftdi_chip, const pinmap_t& pins,
                     std::uint32_t requested_hz, mpsse_exit exit = mpsse_exit::leave_mpsse);
    // Leaves MPSSE mode, or with -az keeps it with the programming lines as inputs.
    ~spi_ftdi_mpsse_t() override;

    bool is_packet_based() override { return true; }
    std::uint8_t transfer_byte(std::uint8_t out) override;
    void send_byte(std::uint8_t out) override;
    std::uint8_t receive_byte() override;
    void transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) override;
    void send_buffer(const std::uint8_t* out, int len) override;
    void receive_buffer(std::uint8_t* in, int len) override;
    // One USB write: the sent bytes clocked out only, the exchanged ones out and in; only
    // the exchanged bytes come back.
    void send_then_transfer(const std::uint8_t* send, int send_len, const std::uint8_t* out,
                            std::uint8_t* in, int len) override;
    void set_reset(bool active) override;
    void reset_pulse() override;
    void sck_pulse() override;
    void delay_ms(float ms) override;
    bool has_power() override { return pinmap[SIG_POWER].present(); }
    void power_on() override;
    void power_off() override;
    bool has_enable() override { return pinmap[SIG_ENABLE].present(); }
    void enable() override;
    void disable() override;
    void set_led_ok(bool on) override;
    void set_led_error(bool on) override;
    bool has_key() override { return pinmap[SIG_KEY].present(); }
    bool key_pressed() override;
    float sck_frequency() override { return sck_mhz; }
    const char* name() override { return pinmap.name; }

    // Number of GPIO writes with reset released in one reset_pulse at `sck_mhz`.
    static int reset_pulse_writes(float sck_mhz);

  private:
    void drive(pin_signal signal, bool active);
    void write_gpio();
    // Appends byte-clocking commands for `len` bytes of `out` (nullptr: nothing to send).
    void append_clocking(std::vector<std::uint8_t>& commands, std::uint8_t command,
                         const std::uint8_t* out, int len) const;
    void receive_reply(std::uint8_t* in, int len);

    std::unique_ptr<ftdi_chip_t> chip;
    pinmap_t pinmap;
    std::uint32_t gpio_values = 0;
    std::uint32_t gpio_directions = 0; // 1: output
    bool mosi_inverted = false;
    bool miso_inverted = false;
    std::uint8_t clock_command_base = 0;
    float sck_mhz = 0;
    mpsse_exit exit_mode;
};

} // namespace quarnel
