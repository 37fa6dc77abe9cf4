// An spi_t wired straight to an in-process virtual chip, for unit tests of the ISP engine.
#pragma once

#include <string>

#include "sim/chip_model.h"
#include "tests/support/bare_spi.h"

using namespace avrsim;

// Moves by the adapter's advances; once told to follow the host, it also never falls
// behind the host's clock, so that a time-out the engine measures in real time cannot
// expire before the chip's busy time has passed on a slow or loaded machine. Tests of
// the chip's own timing leave it exact.
class paced_clock : public manual_clock {
  public:
    double now_us() const override {
        return manual_clock::now_us() + (follow_host_ ? host_.now_us() - host_start_ : 0.0);
    }
    void follow_host() {
        host_start_ = host_.now_us();
        follow_host_ = true;
    }

  private:
    monotonic_clock host_;
    double host_start_ = 0.0;
    bool follow_host_ = false;
};

// Owns a chip (state, settings, a paced clock and the pin model) and drives it bit by
// bit: every SCK phase advances the clock by the phase time, delay_ms advances it by the
// delay, so the chip's busy times and clock limits apply as on the bench. The chip must
// run from its own oscillator (an XTAL-clocked chip never answers here).
class chip_spi_t : public bare_spi_t {
  public:
    enum class transfer_mode { byte_wise, packet_based };

    // `device` is a catalogue name; throws std::invalid_argument for an unknown name.
    explicit chip_spi_t(const std::string& device, ChipSettings settings = {},
                        transfer_mode mode = transfer_mode::byte_wise);

    bool is_packet_based() override { return mode_ == transfer_mode::packet_based; }
    std::uint8_t transfer_byte(std::uint8_t out) override;
    void set_reset(bool active) override;
    void reset_pulse() override;
    void sck_pulse() override;
    void delay_ms(float ms) override;
    float sck_frequency() override { return float(1.0 / (low_us() + high_us())); }
    const char* name() override { return "virtual chip"; }

    ChipState& state() { return state_; }
    ChipSettings& settings() { return settings_; }
    ChipModel& chip() { return chip_; }
    paced_clock& clock() { return clock_; }
    // Both SCK phase lengths in microseconds; by default each phase lasts the chip's
    // minimum number of clock periods at its oscillator frequency plus 5 %, as a
    // programmer allows for the oscillator's tolerance.
    void set_phase_us(double us) { phase_us_ = us; }
    double low_us() const;
    double high_us() const;

    // What the adapter did, for tests that check the engine's sequence.
    int reset_assertions = 0;
    int reset_pulses = 0;
    int sck_pulses = 0;
    long bytes_transferred = 0;
    double delayed_ms = 0.0;

  private:
    ChipState state_;
    ChipSettings settings_;
    paced_clock clock_;
    ChipModel chip_;
    transfer_mode mode_;
    double phase_us_ = 0.0; // 0: the chip's minimum
    bool reset_active_ = false;
};
