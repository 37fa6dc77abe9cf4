// The bit-banged SPI adapter on a parallel port.
#pragma once

#include "quarnel/adapters/lpt/lpt.h"
#include "quarnel/adapters/pinmap.h"
#include "quarnel/adapters/spi.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quarnel {

// Every SPI bit is one precomputed run of data-register writes, so SCK phases
// are whole multiples of the port's write cycle.
class spi_lpt_t final : public spi_t {
  public:
    // SCK low and high times in microseconds.
    spi_lpt_t(std::unique_ptr<lpt_t> port, const pinmap_t& pinmap, float low_us, float high_us);
    // SCK low and high lengths in target clock periods; the target clock is
    // generated on the xtal line, toggling on every port write.
    spi_lpt_t(std::unique_ptr<lpt_t> port, const pinmap_t& pinmap, int low_periods,
              int high_periods);
    ~spi_lpt_t() override;

    bool is_packet_based() override { return false; }
    std::uint8_t transfer_byte(std::uint8_t out) override;
    void send_byte(std::uint8_t out) override;
    std::uint8_t receive_byte() override;
    void set_reset(bool active) override { drive(SIG_RESET, active); }
    void reset_pulse() override;
    void sck_pulse() override;
    void delay_ms(float ms) override;
    bool has_power() override { return pinmap[SIG_POWER].present(); }
    void power_on() override { drive(SIG_POWER, true); }
    void power_off() override { drive(SIG_POWER, false); }
    bool has_enable() override { return pinmap[SIG_ENABLE].present(); }
    void enable() override { drive(SIG_ENABLE, true); }
    void disable() override { drive(SIG_ENABLE, false); }
    void set_led_ok(bool on) override { drive(SIG_LED_OK, on); }
    void set_led_error(bool on) override { drive(SIG_LED_ERROR, on); }
    bool has_key() override { return pinmap[SIG_KEY].present(); }
    bool key_pressed() override;
    float sck_frequency() override;
    const char* name() override { return "LPT soft SPI"; }

    // The waveforms, for inspection.
    const std::vector<std::uint8_t>& bit_waveform(int bit) const { return wave[bit != 0]; }
    const std::vector<std::uint8_t>& reset_waveform() const { return reset_wave; }

  private:
    void drive(pin_signal signal, bool active);
    void build_waveforms(int low, int high);
    void restore_data();
    // Shifts in one sampled MISO bit.
    std::uint8_t sample(std::uint8_t bits);

    std::unique_ptr<lpt_t> port;
    pinmap_t pinmap;
    bool xtal_generation;
    std::uint32_t data_shadow = 0;
    std::vector<std::uint8_t> wave[2];
    std::vector<std::uint8_t> reset_wave;
    int bit_length = 0;
    int reset_length = 0;
};

} // namespace quarnel
