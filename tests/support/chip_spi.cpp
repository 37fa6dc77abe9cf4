// In-process spi_t over the virtual chip model.
#include "tests/support/chip_spi.h"

#include <stdexcept>

#include "quarnel/devices/device_lookup.h"

using namespace quarnel;

namespace {

constexpr double phase_margin = 1.05;

int device_index(const std::string& name) {
    const int index = find_device(name.c_str());
    if (index < 0) {
        throw std::invalid_argument("unknown device " + name);
    }
    return index;
}

} // namespace

chip_spi_t::chip_spi_t(const std::string& device, ChipSettings settings, transfer_mode mode)
    : state_(factory_chip(device_index(device))), settings_(settings),
      chip_(state_, settings_, clock_), mode_(mode) {}

double chip_spi_t::low_us() const {
    return phase_us_ > 0 ? phase_us_
                         : chip_.low_phase_cycles() * 1e6 * phase_margin / settings_.clock_hz;
}

double chip_spi_t::high_us() const {
    return phase_us_ > 0 ? phase_us_
                         : chip_.high_phase_cycles() * 1e6 * phase_margin / settings_.clock_hz;
}

std::uint8_t chip_spi_t::transfer_byte(std::uint8_t out) {
    std::uint8_t in = 0;
    for (int bit = 7; bit >= 0; --bit) {
        chip_.set_mosi((out >> bit) & 1);
        clock_.advance_us(low_us());
        chip_.set_sck(true);
        clock_.advance_us(high_us());
        in = std::uint8_t((in << 1) | (chip_.miso() ? 1 : 0));
        chip_.set_sck(false);
    }
    ++bytes_transferred;
    return in;
}

void chip_spi_t::set_reset(bool active) {
    if (active && !reset_active_) {
        ++reset_assertions;
    }
    reset_active_ = active;
    chip_.set_reset(active);
}

void chip_spi_t::reset_pulse() {
    ++reset_pulses;
    chip_.set_reset(false);
    clock_.advance_us(low_us() + high_us());
    chip_.set_reset(true);
}

void chip_spi_t::sck_pulse() {
    ++sck_pulses;
    clock_.advance_us(low_us());
    chip_.set_sck(true);
    clock_.advance_us(high_us());
    chip_.set_sck(false);
}

void chip_spi_t::delay_ms(float ms) {
    delayed_ms += ms;
    clock_.advance_us(double(ms) * 1000.0);
}
