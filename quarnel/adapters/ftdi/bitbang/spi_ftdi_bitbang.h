// SPI adapter on an FT232R or X-series chip in synchronous bit-bang mode: every SCK phase is
// one byte of line levels written to the chip, and the chip answers each byte with a sample
// of the lines taken before it drives them, so the sample of the byte that raises SCK shows
// MISO as the target set it in the low phase.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"
#include "quarnel/adapters/pinmap.h"
#include "quarnel/adapters/spi.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quarnel {

// How the adapter leaves the chip: back in UART mode, which releases the lines, or (-az) in
// bit-bang mode with the programming lines as inputs.
enum class bitbang_exit { leave_bitbang, keep_inputs };

class spi_ftdi_bitbang_t final : public spi_t {
  public:
    // Puts the chip into synchronous bit-bang at the clock for `sck_hz` (bitbang_clock) with
    // every output signal inactive.
    spi_ftdi_bitbang_t(std::unique_ptr<ftdi_chip_t> ftdi_chip, const pinmap_t& pins,
                       std::uint32_t sck_hz, bitbang_exit exit = bitbang_exit::leave_bitbang);
    ~spi_ftdi_bitbang_t() override;

    bool is_packet_based() override { return true; }
    std::uint8_t transfer_byte(std::uint8_t out) override;
    void transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) override;
    void send_buffer(const std::uint8_t* out, int len) override;
    void receive_buffer(std::uint8_t* in, int len) override;
    // One stream of line levels: the sent bytes and the exchanged ones, one exchange with
    // the chip.
    void send_then_transfer(const std::uint8_t* send, int send_len, const std::uint8_t* out,
                            std::uint8_t* in, int len) override;
    void set_reset(bool active) override;
    void reset_pulse() override;
    void sck_pulse() override;
    void delay_ms(float ms) override;
    bool has_power() override { return pinmap[SIG_POWER].present(); }
    void power_on() override { drive_now(SIG_POWER, true); }
    void power_off() override { drive_now(SIG_POWER, false); }
    bool has_enable() override { return pinmap[SIG_ENABLE].present(); }
    void enable() override { drive_now(SIG_ENABLE, true); }
    void disable() override { drive_now(SIG_ENABLE, false); }
    void set_led_ok(bool on) override { drive_now(SIG_LED_OK, on); }
    void set_led_error(bool on) override { drive_now(SIG_LED_ERROR, on); }
    bool has_key() override { return pinmap[SIG_KEY].present(); }
    bool key_pressed() override;
    float sck_frequency() override { return sck_mhz; }
    const char* name() override { return pinmap.name; }

  private:
    void drive(pin_signal signal, bool active);
    void drive_now(pin_signal signal, bool active);
    // Appends the two phases of each bit of `len` bytes (out == nullptr: zeros) to `stream`.
    void append_bits(const std::uint8_t* out, int len);
    // Writes the stream and reads its samples back; empties the stream.
    void flush();
    // The byte of MISO bits of byte `index` of the last exchange starting at `first`.
    std::uint8_t miso_byte(std::size_t first) const;

    std::unique_ptr<ftdi_chip_t> chip;
    pinmap_t pinmap;
    std::uint8_t levels = 0;  // the lines as the chip drives them now
    std::uint8_t outputs = 0; // 1: output
    float sck_mhz = 0;
    bitbang_exit exit_mode;
    std::vector<std::uint8_t> stream;
    std::vector<std::uint8_t> samples;
};

} // namespace quarnel
