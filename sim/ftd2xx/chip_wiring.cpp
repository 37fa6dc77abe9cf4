// Passing FTDI line levels to the chip's pins and its MISO back.
#include "sim/ftd2xx/chip_wiring.h"

namespace avrsim {

bool chip_wiring::pin_level(const target_lines::line& line, std::uint16_t levels,
                            std::uint16_t outputs) const {
    if (line.bit < 0) {
        return true;
    }
    const std::uint16_t mask = static_cast<std::uint16_t>(1u << line.bit);
    const bool level = (outputs & mask) ? (levels & mask) != 0 : true;
    return level != line.inverted;
}

void chip_wiring::drive(std::uint16_t levels, std::uint16_t outputs) {
    levels_ = levels;
    outputs_ = outputs;
    if (chip_ == nullptr) {
        return;
    }
    // Reset first: a release of every line must not clock a last bit into the chip.
    chip_->set_reset(!pin_level(lines_.reset, levels, outputs));
    chip_->set_mosi(pin_level(lines_.mosi, levels, outputs));
    chip_->set_sck(pin_level(lines_.sck, levels, outputs));
}

std::uint16_t chip_wiring::sense() {
    // Undriven lines float high; lines the FTDI chip drives read back as driven.
    std::uint16_t lines = static_cast<std::uint16_t>((levels_ & outputs_) | ~outputs_);
    const target_lines::line& miso = lines_.miso;
    if (miso.bit >= 0) {
        const std::uint16_t mask = static_cast<std::uint16_t>(1u << miso.bit);
        if ((outputs_ & mask) == 0) {
            const bool level = (chip_ == nullptr || chip_->miso()) != miso.inverted;
            lines = static_cast<std::uint16_t>(level ? lines | mask : lines & ~mask);
        }
    }
    return lines;
}

} // namespace avrsim
