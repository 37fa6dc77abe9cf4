// The target chip on an FTDI channel's GPIO lines.
#pragma once

#include "sim/chip_model.h"
#include "sim/ftd2xx/bus_clock.h"
#include "sim/ftd2xx/mpsse_engine.h"

#include <cstdint>

namespace avrsim {

// Which GPIO line carries each target pin; an inverted line has an inverting buffer between
// the chip and the pin.
struct target_lines {
    struct line {
        int bit = -1; // -1: not connected
        bool inverted = false;
    };
    line sck{0, false};
    line mosi{1, false};
    line miso{2, false};
    line reset{3, false};
};

class chip_wiring final : public gpio_wiring {
  public:
    // `chip` may be null: a channel with nothing attached.
    chip_wiring(ChipModel* chip, bus_clock& clock, const target_lines& lines)
        : chip_(chip), clock_(clock), lines_(lines) {}

    void drive(std::uint16_t levels, std::uint16_t outputs) override;
    std::uint16_t sense() override;
    void advance_us(double us) override { clock_.advance_us(us); }

  private:
    // Level at the chip's pin for a line: the driven level, or high from a pull-up.
    bool pin_level(const target_lines::line& line, std::uint16_t levels,
                   std::uint16_t outputs) const;

    ChipModel* chip_;
    bus_clock& clock_;
    target_lines lines_;
    std::uint16_t levels_ = 0;
    std::uint16_t outputs_ = 0;
};

} // namespace avrsim
