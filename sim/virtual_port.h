// A PC parallel port with an adapter and a virtual chip on it, register by register.
#pragma once

#include <cstdint>

#include "sim/chip_model.h"
#include "sim/wiring.h"

namespace avrsim {

struct PortOptions {
    bool direction_reads_back = true; // control bit 5 reads as written
};

// Registers at offsets 0 (data), 1 (status) and 2 (control). Status bits 0-2 read 1, BUSY
// (bit 7) reads inverted, an open input reads as a high pin; control bits 6-7 read 1.
class VirtualPort {
  public:
    VirtualPort(const Wiring& wiring, ChipModel& chip, PortOptions options = {});

    void write(int offset, std::uint8_t value);
    std::uint8_t read(int offset) const;

    long writes() const { return writes_; }
    long reads() const { return reads_; }

  private:
    std::uint32_t image() const;
    bool buffer_enabled() const;
    void drive_chip();

    Wiring wiring_;
    ChipModel& chip_;
    PortOptions options_;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0x0C; // INIT high, as after a PC's reset
    long writes_ = 0;
    mutable long reads_ = 0;
};

} // namespace avrsim
