// Register behaviour of the virtual parallel port and the signals it passes to the chip.
#include "sim/virtual_port.h"

namespace avrsim {

namespace {

constexpr std::uint8_t direction_bit = 0x20; // control: data lines are inputs

// Register value of status bit `bit` for a pin at `pin_high`; the port inverts BUSY (bit 7).
std::uint8_t status_bit(int bit, bool pin_high) {
    const bool reg = (bit == 7) ? !pin_high : pin_high;
    return reg ? std::uint8_t(1u << bit) : 0;
}

} // namespace

VirtualPort::VirtualPort(const Wiring& wiring, ChipModel& chip, PortOptions options)
    : wiring_(wiring), chip_(chip), options_(options) {
    drive_chip();
}

std::uint32_t VirtualPort::image() const {
    const std::uint8_t data = (control_ & direction_bit) ? 0xFF : data_;
    return data | (std::uint32_t(control_) << 16);
}

bool VirtualPort::buffer_enabled() const {
    return !wiring_.enable.present() || wiring_.enable.level(image());
}

void VirtualPort::drive_chip() {
    if (!wiring_.attached) {
        return;
    }
    const std::uint32_t lines = image();
    if (wiring_.power.present()) {
        chip_.set_power(wiring_.power.level(lines));
    }
    // Undriven lines (buffer off, data lines switched to input) leave the chip's RESET
    // pulled up and its clock and data pins without edges.
    if (!buffer_enabled() || (control_ & direction_bit)) {
        chip_.set_reset(false);
        return;
    }
    if (wiring_.xtal.present()) {
        chip_.set_xtal(wiring_.xtal.level(lines));
    }
    chip_.set_mosi(wiring_.mosi.level(lines));
    chip_.set_reset(!wiring_.reset.level(lines));
    chip_.set_sck(wiring_.sck.level(lines));
}

void VirtualPort::write(int offset, std::uint8_t value) {
    ++writes_;
    if (offset == 0) {
        data_ = value;
    } else if (offset == 2) {
        control_ = options_.direction_reads_back ? value : std::uint8_t(value & ~direction_bit);
    } else {
        return;
    }
    drive_chip();
}

std::uint8_t VirtualPort::read(int offset) const {
    ++reads_;
    if (offset == 0) {
        return (control_ & direction_bit) ? 0xFF : data_;
    }
    if (offset == 2) {
        return std::uint8_t(0xC0 | control_);
    }
    if (offset != 1) {
        return 0xFF;
    }
    bool pin[8] = {true, true, true, true, true, true, true, true};
    if (wiring_.attached) {
        for (const LoopBack& loop : wiring_.loop_backs) {
            pin[loop.status_bit] =
                loop.data_bit < 0 ? loop.fixed_level : ((image() >> loop.data_bit) & 1) != 0;
        }
        const std::uint32_t status_lines = (wiring_.miso.normal | wiring_.miso.inverted) >> 8;
        if (buffer_enabled()) {
            for (int bit = 3; bit < 8; ++bit) {
                if (status_lines & (1u << bit)) {
                    const bool inverted = (wiring_.miso.inverted >> 8) & (1u << bit);
                    const bool reg = chip_.miso() != inverted;
                    pin[bit] = (bit == 7) ? !reg : reg;
                }
            }
        }
    }
    std::uint8_t status = 0x07;
    for (int bit = 3; bit < 8; ++bit) {
        status |= status_bit(bit, pin[bit]);
    }
    return status;
}

} // namespace avrsim
