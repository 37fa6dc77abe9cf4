// Passing the host's bytes and requests to the engine of the channel's bit mode.
#include "sim/ftd2xx/ftdi_channel.h"

#include <algorithm>

namespace avrsim {

namespace {
// Full-speed bulk transfers: 64-byte packets, at most 19 in a 1 ms frame.
constexpr double full_speed_bytes_per_us = 19.0 * 64.0 / 1000.0;
} // namespace

void ftdi_channel::set_bit_mode(std::uint8_t mask, std::uint8_t mode) {
    const bool bit_bang = mode == bitbang_engine::async_mode || mode == bitbang_engine::sync_mode;
    // The MPSSE engine first lets go of the lines, then bit-bang takes them.
    engine.set_bit_mode(bit_bang ? 0 : mode);
    if (bit_bang || bitbang.active()) {
        bitbang.set_bit_mode(mask, bit_bang ? mode : 0);
    }
}

void ftdi_channel::write(const std::uint8_t* data, std::size_t size) {
    if (!bitbang.active()) {
        engine.write(data, size);
        return;
    }
    const double start = bus.total_us();
    bitbang.write(data, size);
    const double usb_us = static_cast<double>(size) / full_speed_bytes_per_us;
    bus.advance_us(std::max(0.0, usb_us - (bus.total_us() - start)));
}

std::deque<std::uint8_t>& ftdi_channel::replies() {
    return bitbang.active() ? bitbang.replies() : engine.replies();
}

bool ftdi_channel::flushed() const {
    return bitbang.active() ? bitbang.flushed() : engine.flushed();
}

void ftdi_channel::purge_replies() {
    engine.purge_replies();
    bitbang.purge_replies();
}

} // namespace avrsim
