// Waveform building, SPI bytes and signal driving on a parallel port.
#include "quarnel/adapters/lpt/spi_lpt.h"

#include "quarnel/adapters/lpt/lpt_pins.h"
#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/common/units.h"

#include <cmath>

namespace quarnel {

namespace {

int writes_for(float time_us, float cycle_us) {
    const int writes = static_cast<int>(std::ceil(time_us / cycle_us));
    return writes < 1 ? 1 : writes;
}

} // namespace

spi_lpt_t::spi_lpt_t(std::unique_ptr<lpt_t> lpt, const pinmap_t& pins, float low_us, float high_us)
    : port(std::move(lpt)), pinmap(pins), xtal_generation(false) {
    const float cycle = this->port->cycle_time;
    build_waveforms(writes_for(low_us, cycle), writes_for(high_us, cycle));
}

spi_lpt_t::spi_lpt_t(std::unique_ptr<lpt_t> lpt, const pinmap_t& pins, int low_periods,
                     int high_periods)
    : port(std::move(lpt)), pinmap(pins), xtal_generation(true) {
    build_waveforms(2 * low_periods, 2 * high_periods);
    const std::uint8_t xtal = data_part(this->pinmap[SIG_XTAL].lines());
    for (auto* w : {&wave[0], &wave[1], &reset_wave}) {
        for (std::size_t i = 1; i < w->size(); i += 2) {
            (*w)[i] ^= xtal;
        }
    }
    console_log(3, "\t%% %s XTAL will be generated\n",
                format_frequency(500.0 / this->port->cycle_time, FREQ_KHZ).c_str());
}

spi_lpt_t::~spi_lpt_t() {
    if (has_enable()) {
        disable();
    }
    if (has_power()) {
        power_off();
    }
}

void spi_lpt_t::drive(pin_signal signal, bool active) {
    const SignalMasks masks = pinmap[signal];
    const std::uint8_t control = port->read_register(LPT_CONTROL);
    std::uint8_t new_control;
    if (active) {
        data_shadow = (data_shadow & ~masks.inverted) | masks.normal;
        new_control = (control & ~control_part(masks.inverted)) | control_part(masks.normal);
    } else {
        data_shadow = (data_shadow | masks.inverted) & ~masks.normal;
        new_control = (control | control_part(masks.inverted)) & ~control_part(masks.normal);
    }
    port->write_register(LPT_DATA, static_cast<std::uint8_t>(data_shadow));
    port->write_register(LPT_CONTROL, new_control);
}

void spi_lpt_t::build_waveforms(int low, int high) {
    data_shadow = port->read_register(LPT_DATA);
    for (pin_signal s :
         {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_POWER, SIG_ENABLE, SIG_LED_OK, SIG_LED_ERROR}) {
        drive(s, false);
    }
    drive(SIG_SET, true);

    // Power on, buffers enabled, reset asserted, SCK and MOSI inactive.
    std::uint8_t on = 0, off = 0;
    for (pin_signal s : {SIG_POWER, SIG_ENABLE, SIG_RESET}) {
        on |= data_part(pinmap[s].normal);
        off |= data_part(pinmap[s].inverted);
    }
    const std::uint8_t base = (static_cast<std::uint8_t>(data_shadow) | on) & ~off;
    const std::uint8_t sck = data_part(pinmap[SIG_SCK].lines());
    const std::uint8_t mosi = data_part(pinmap[SIG_MOSI].lines());
    const std::uint8_t reset = data_part(pinmap[SIG_RESET].lines());

    bit_length = low + high;
    reset_length = low + high;
    wave[0].assign(low, base);
    wave[0].insert(wave[0].end(), high, base ^ sck);
    wave[1].assign(low, base ^ mosi);
    wave[1].insert(wave[1].end(), high, base ^ mosi ^ sck);
    reset_wave.assign(reset_length - 1, base ^ reset);
    reset_wave.push_back(base);
}

void spi_lpt_t::restore_data() {
    port->write_register(LPT_DATA, static_cast<std::uint8_t>(data_shadow));
}

std::uint8_t spi_lpt_t::sample(std::uint8_t bits) {
    if ((port->read_register(LPT_STATUS) & status_part(pinmap[SIG_MISO].lines())) != 0) {
        bits |= 1;
    }
    return bits;
}

std::uint8_t spi_lpt_t::transfer_byte(std::uint8_t out) {
    std::uint8_t b = out;
    for (int i = 0; i < 8; ++i) {
        const auto& w = wave[(b & 0x80) != 0];
        b = static_cast<std::uint8_t>(b << 1);
        port->write_data_block(w.data(), bit_length);
        b = sample(b);
    }
    restore_data();
    return pinmap[SIG_MISO].inverted != 0 ? static_cast<std::uint8_t>(~b) : b;
}

void spi_lpt_t::send_byte(std::uint8_t out) {
    for (int i = 0; i < 8; ++i) {
        port->write_data_block(wave[(out & 0x80) != 0].data(), bit_length);
        out = static_cast<std::uint8_t>(out << 1);
    }
    restore_data();
}

std::uint8_t spi_lpt_t::receive_byte() {
    std::uint8_t b = 0;
    for (int i = 0; i < 8; ++i) {
        port->write_data_block(wave[0].data(), bit_length);
        b = sample(static_cast<std::uint8_t>(b << 1));
    }
    restore_data();
    return pinmap[SIG_MISO].inverted != 0 ? static_cast<std::uint8_t>(~b) : b;
}

void spi_lpt_t::reset_pulse() {
    port->write_data_block(reset_wave.data(), reset_length);
    restore_data();
}

void spi_lpt_t::sck_pulse() {
    port->write_data_block(wave[0].data(), bit_length);
    restore_data();
}

void spi_lpt_t::delay_ms(float ms) {
    os_timer_t timer;
    timer.set_delay(ms);
    if (!xtal_generation) {
        timer.wait();
        return;
    }
    // Keep the generated clock running through the wait.
    const std::uint8_t d = port->read_register(LPT_DATA);
    const std::uint8_t x = data_part(pinmap[SIG_XTAL].lines());
    const std::uint8_t pattern[4] = {static_cast<std::uint8_t>(d ^ x),
                                     static_cast<std::uint8_t>(d ^ x), d, d};
    do {
        port->write_data_block(pattern, 4);
    } while (!timer.expired());
}

bool spi_lpt_t::key_pressed() {
    const SignalMasks key = pinmap[SIG_KEY];
    const bool high = (port->read_register(LPT_STATUS) & status_part(key.lines())) != 0;
    return high != (key.inverted != 0);
}

float spi_lpt_t::sck_frequency() {
    return 1.0f / port->cycle_time / static_cast<float>(bit_length + 1);
}

} // namespace quarnel
