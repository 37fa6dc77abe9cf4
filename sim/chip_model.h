// A catalogue device in serial programming mode, driven pin by pin (SPI mode 0).
#pragma once

#include <cstdint>

#include "sim/chip_instructions.h"
#include "sim/chip_state.h"
#include "sim/sim_clock.h"

namespace avrsim {

// The chip's pins as an adapter sees them. MOSI is sampled on the rising SCK edge and MISO
// changes on the falling edge. SCK edges count only when the phase before them lasted longer
// than the minimum number of system clock periods (2, or 3 from 12 MHz on, unless the device
// asks for more); a chip clocked from its XTAL pin counts those periods in XTAL edges, so it
// answers only while XTAL toggles.
class ChipModel {
  public:
    ChipModel(ChipState& chip, const ChipSettings& settings, const sim_clock& clock);

    // RESET pin driven low (true) or released (false).
    void set_reset(bool asserted);
    void set_sck(bool high);
    void set_mosi(bool high);
    void set_xtal(bool high);
    // Supply on or off; a flash or EEPROM write still running when it goes is lost.
    void set_power(bool on);
    // Level of MISO; an undriven MISO reads high.
    bool miso() const;

    // Minimum SCK low and high phase in system clock periods.
    int low_phase_cycles() const;
    int high_phase_cycles() const;

    // RESET held low now, as the chip takes it (what the stand-ins report when a program ends;
    // a socket's handler waits for it released).
    bool in_reset() const { return reset_; }
    const InstructionUnit& instructions() const { return unit_; }
    // Every write of the chip from now on is reported to `store` (nullptr: to nobody).
    void keep_writes_in(ChipStore* store) { unit_.keep_writes_in(store); }
    long missed_edges() const { return missed_edges_; }

  private:
    bool phase_long_enough(bool ending_high) const;
    void rising_edge();
    void falling_edge();
    void enter_reset();

    ChipState& chip_;
    const ChipSettings& settings_;
    const sim_clock& clock_;
    InstructionUnit unit_;

    bool powered_ = true;
    bool reset_ = false;
    bool sck_ = false; // level as the chip has taken it in
    bool mosi_ = false;
    bool xtal_ = false;
    bool miso_ = true;
    bool driving_ = false;
    bool slip_pending_ = true; // no bit taken in since power-up
    bool cold_ = true;         // not in reset since power-up
    bool drop_next_bit_ = false;
    double released_since_ = 0.0;
    double listening_from_ = 0.0;
    double last_sck_edge_ = -1e18;
    long xtal_edges_ = 0;
    long xtal_edges_at_sck_edge_ = 0;
    long missed_edges_ = 0;

    int frame_bits_ = 0; // bits of the current instruction taken in so far
    std::uint8_t shift_in_ = 0;
    std::uint8_t bytes_[4] = {};
    std::uint8_t pending_out_ = 0xFF;
    std::uint8_t out_ = 0xFF;
};

} // namespace avrsim
