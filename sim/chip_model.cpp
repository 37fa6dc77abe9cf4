// Pin-level behaviour of the virtual chip: reset, framing, clocking, bit slips.
#include "sim/chip_model.h"

#include "quarnel/devices/device_info.h"

namespace avrsim {

using quarnel::DEV_SCK_2_5;
using quarnel::DEV_SCK_5_17;

namespace {

// A chip must see RESET low for this long after running before it listens.
constexpr double startup_us = 20000.0;
// A RESET high time this short is a pulse, not a run of the application.
constexpr double pulse_us = 1000.0;

} // namespace

ChipModel::ChipModel(ChipState& chip, const ChipSettings& settings, const sim_clock& clock)
    : chip_(chip), settings_(settings), clock_(clock), unit_(chip, settings) {}

int ChipModel::low_phase_cycles() const {
    const std::uint32_t flags = chip_.info().flags;
    if (flags & DEV_SCK_2_5) {
        return 2;
    }
    if (flags & DEV_SCK_5_17) {
        return 5;
    }
    return settings_.clock == clock_source::oscillator && settings_.clock_hz >= 12e6 ? 3 : 2;
}

int ChipModel::high_phase_cycles() const {
    const std::uint32_t flags = chip_.info().flags;
    if (flags & DEV_SCK_2_5) {
        return 5;
    }
    if (flags & DEV_SCK_5_17) {
        return 17;
    }
    return low_phase_cycles();
}

void ChipModel::set_power(bool on) {
    if (on == powered_) {
        return;
    }
    powered_ = on;
    if (!on) {
        unit_.power_lost(clock_.now_us());
    }
    reset_ = false;
    driving_ = false;
    slip_pending_ = true;
    cold_ = true;
}

void ChipModel::enter_reset() {
    const double now = clock_.now_us();
    unit_.enter_reset();
    driving_ = true;
    // After power-up or a run of the application the chip needs the start-up time; a
    // short positive pulse on RESET only restarts the instruction framing.
    listening_from_ = cold_ || now - released_since_ >= pulse_us ? now + startup_us : now;
    cold_ = false;
    // A new chip is out of step in its first programming session after power-up; an old chip
    // without page mode falls out of step at every reset.
    const bool slip = settings_.slip_bits > 0 && (slip_pending_ || chip_.info().flash_page == 0);
    frame_bits_ = slip ? settings_.slip_bits % 32 : 0;
    shift_in_ = 0;
    out_ = pending_out_ = 0xFF;
    miso_ = true;
}

void ChipModel::set_reset(bool asserted) {
    if (!powered_ || settings_.absent || asserted == reset_) {
        return;
    }
    reset_ = asserted;
    if (asserted) {
        enter_reset();
    } else {
        driving_ = false;
        released_since_ = clock_.now_us();
    }
}

void ChipModel::set_mosi(bool high) {
    mosi_ = high;
}

void ChipModel::set_xtal(bool high) {
    if (high != xtal_) {
        xtal_ = high;
        ++xtal_edges_;
    }
}

bool ChipModel::phase_long_enough(bool ending_high) const {
    const int cycles = ending_high ? high_phase_cycles() : low_phase_cycles();
    if (settings_.clock == clock_source::xtal_pin) {
        // The adapter drives XTAL and SCK in step, so whole periods are enough.
        return (xtal_edges_ - xtal_edges_at_sck_edge_) >= 2L * cycles;
    }
    // The own oscillator runs apart from SCK: a phase must last more than the minimum
    // number of periods (a phase of exactly that length may fall between two samples).
    const double minimum_us = cycles * 1e6 / settings_.clock_hz;
    return clock_.now_us() - last_sck_edge_ > minimum_us * (1.0 + 1e-9);
}

void ChipModel::set_sck(bool high) {
    if (high == sck_ || !powered_ || settings_.absent) {
        return;
    }
    if (!phase_long_enough(sck_)) {
        ++missed_edges_;
        return;
    }
    sck_ = high;
    last_sck_edge_ = clock_.now_us();
    xtal_edges_at_sck_edge_ = xtal_edges_;
    if (reset_) {
        if (high) {
            rising_edge();
        } else {
            falling_edge();
        }
    }
}

void ChipModel::rising_edge() {
    const double now = clock_.now_us();
    if (now < listening_from_) {
        return;
    }
    slip_pending_ = false;
    if (drop_next_bit_) {
        drop_next_bit_ = false;
        return;
    }
    shift_in_ = std::uint8_t((shift_in_ << 1) | (mosi_ ? 1 : 0));
    ++frame_bits_;
    if (frame_bits_ % 8 != 0) {
        return;
    }
    const int received = frame_bits_ / 8;
    bytes_[received - 1] = shift_in_;
    pending_out_ = unit_.next_reply(received, bytes_, now);
    if (received == 4) {
        unit_.execute(bytes_, now);
        frame_bits_ = 0;
        if (settings_.lose_step_after > 0 && unit_.executed() == settings_.lose_step_after) {
            drop_next_bit_ = true;
        }
    }
}

void ChipModel::falling_edge() {
    const int bit = frame_bits_ % 8;
    if (bit == 0) {
        out_ = pending_out_;
    }
    miso_ = (out_ >> (7 - bit)) & 1;
}

bool ChipModel::miso() const {
    return driving_ && powered_ ? miso_ : true;
}

} // namespace avrsim
