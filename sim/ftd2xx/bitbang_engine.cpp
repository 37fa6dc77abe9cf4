// Bit-bang clocking: outputs per byte, and the samples of synchronous mode.
#include "sim/ftd2xx/bitbang_engine.h"

namespace avrsim {

void bitbang_engine::set_bit_mode(std::uint8_t mask, std::uint8_t mode) {
    mode_ = mode == async_mode || mode == sync_mode ? mode : 0;
    outputs_ = mode_ != 0 ? mask : 0;
    replies_.clear();
    // The outputs take the levels last written; a fresh chip's latch holds all ones.
    wiring_.drive(static_cast<std::uint16_t>(latch_ & outputs_), outputs_);
}

void bitbang_engine::write(const std::uint8_t* data, std::size_t size) {
    if (mode_ == 0) {
        return; // outside bit-bang mode the bytes would go to the UART
    }
    const double period_us = 1e6 / byte_clock_hz();
    for (std::size_t i = 0; i < size; ++i) {
        if (mode_ == sync_mode) {
            replies_.push_back(pins());
        }
        latch_ = data[i];
        wiring_.drive(static_cast<std::uint16_t>(latch_ & outputs_), outputs_);
        wiring_.advance_us(period_us);
        ++clocked_;
    }
}

} // namespace avrsim
