// Synchronous bit-bang SPI: line-level streams, their samples, reset pulse, key and shutdown.
#include "quarnel/adapters/ftdi/bitbang/spi_ftdi_bitbang.h"

#include "quarnel/adapters/ftdi/bitbang/bitbang_clock.h"
#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quarnel {

namespace {
constexpr std::uint32_t read_timeout_ms = 5000;
constexpr std::uint32_t write_timeout_ms = 5000;
// The chip sends a short last packet of samples when its latency timer runs out: as soon as
// it can.
constexpr std::uint8_t latency_ms = 1;
constexpr pin_signal output_signals[] = {SIG_MOSI, SIG_SCK,    SIG_RESET,     SIG_POWER,
                                         SIG_SET,  SIG_ENABLE, SIG_LED_ERROR, SIG_LED_OK};

std::uint8_t byte_of(std::uint32_t mask) {
    return static_cast<std::uint8_t>(mask & 0xFF);
}
} // namespace

spi_ftdi_bitbang_t::spi_ftdi_bitbang_t(std::unique_ptr<ftdi_chip_t> ftdi_chip, const pinmap_t& pins,
                                       std::uint32_t sck_hz, bitbang_exit exit)
    : chip(std::move(ftdi_chip)), pinmap(pins), exit_mode(exit) {
    for (pin_signal signal : output_signals) {
        drive(signal, false);
        outputs |= byte_of(pinmap[signal].lines());
    }
    const bitbang_clock_t clock = bitbang_clock(sck_hz);
    sck_mhz = clock.sck_mhz;
    chip->set_timeouts(read_timeout_ms, write_timeout_ms);
    chip->set_latency_timer(latency_ms);
    // The levels go out before the lines become outputs, so nothing glitches.
    chip->set_bit_mode(0, ftdi_bit_mode::sync_bitbang);
    chip->set_baud_rate(clock.baud_rate);
    chip->purge(ftdi_purge::to_host);
    stream.push_back(levels);
    flush();
    chip->set_bit_mode(outputs, ftdi_bit_mode::sync_bitbang);
    stream.push_back(levels);
    flush();
}

spi_ftdi_bitbang_t::~spi_ftdi_bitbang_t() {
    // A chip unplugged by now fails here; its reason is printed and the run is ending anyway.
    try {
        if (exit_mode == bitbang_exit::keep_inputs) {
            for (pin_signal signal : {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_SET}) {
                outputs &= static_cast<std::uint8_t>(~byte_of(pinmap[signal].lines()));
            }
            chip->set_bit_mode(outputs, ftdi_bit_mode::sync_bitbang);
            console_log(2, "FTDI chip left in bit-bang mode with programming pins configured as "
                           "inputs\n");
        } else {
            chip->set_bit_mode(0, ftdi_bit_mode::reset);
        }
    } catch (const app_error&) {
    }
}

void spi_ftdi_bitbang_t::drive(pin_signal signal, bool active) {
    const SignalMasks& masks = pinmap[signal];
    levels = active ? static_cast<std::uint8_t>((levels | masks.normal) & ~masks.inverted)
                    : static_cast<std::uint8_t>((levels & ~masks.normal) | masks.inverted);
}

void spi_ftdi_bitbang_t::drive_now(pin_signal signal, bool active) {
    drive(signal, active);
    stream.push_back(levels);
    flush();
}

void spi_ftdi_bitbang_t::append_bits(const std::uint8_t* out, int len) {
    for (int i = 0; i < len; ++i) {
        const std::uint8_t byte = out != nullptr ? out[i] : 0x00;
        for (int bit = 7; bit >= 0; --bit) {
            drive(SIG_MOSI, ((byte >> bit) & 1) != 0);
            drive(SIG_SCK, false);
            stream.push_back(levels);
            drive(SIG_SCK, true);
            stream.push_back(levels);
        }
    }
    // SCK goes back to its idle level after the last bit.
    drive(SIG_SCK, false);
    drive(SIG_MOSI, false);
    stream.push_back(levels);
}

void spi_ftdi_bitbang_t::flush() {
    if (stream.empty()) {
        return;
    }
    samples.resize(stream.size());
    chip->exchange(stream.data(), samples.data(), static_cast<std::uint32_t>(stream.size()));
    stream.clear();
}

std::uint8_t spi_ftdi_bitbang_t::miso_byte(std::size_t first) const {
    const SignalMasks& miso = pinmap[SIG_MISO];
    std::uint8_t value = 0;
    for (int bit = 0; bit < 8; ++bit) {
        // The sample taken as the byte that raises SCK goes out: the low phase's MISO.
        const std::uint8_t sample = samples[first + 2 * static_cast<std::size_t>(bit) + 1];
        const bool level = (sample & miso.lines()) != 0;
        value = static_cast<std::uint8_t>(value << 1 | ((level != (miso.inverted != 0)) ? 1 : 0));
    }
    return value;
}

std::uint8_t spi_ftdi_bitbang_t::transfer_byte(std::uint8_t out) {
    std::uint8_t in = 0;
    transfer_buffer(&out, &in, 1);
    return in;
}

void spi_ftdi_bitbang_t::transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) {
    send_then_transfer(nullptr, 0, out, in, len);
}

void spi_ftdi_bitbang_t::send_buffer(const std::uint8_t* out, int len) {
    if (len > 0) {
        append_bits(out, len);
        flush();
    }
}

void spi_ftdi_bitbang_t::receive_buffer(std::uint8_t* in, int len) {
    send_then_transfer(nullptr, 0, nullptr, in, len);
}

void spi_ftdi_bitbang_t::send_then_transfer(const std::uint8_t* send, int send_len,
                                            const std::uint8_t* out, std::uint8_t* in, int len) {
    if (send_len > 0) {
        append_bits(send, send_len);
    }
    const std::size_t first = stream.size();
    if (len > 0) {
        append_bits(out, len);
    }
    flush();
    for (int i = 0; i < len; ++i) {
        in[i] = miso_byte(first + 16 * static_cast<std::size_t>(i));
    }
}

void spi_ftdi_bitbang_t::set_reset(bool active) {
    drive_now(SIG_RESET, active);
}

void spi_ftdi_bitbang_t::reset_pulse() {
    // Released for at least 0.6 / SCK (in MHz) bytes, as long as the MPSSE adapter's pulse.
    const double bytes = std::ceil(0.6 / static_cast<double>(sck_mhz));
    const int released = static_cast<int>(std::clamp(bytes, 2.0, 2000.0));
    const std::uint8_t held = levels;
    drive(SIG_RESET, false);
    stream.insert(stream.end(), static_cast<std::size_t>(released), levels);
    levels = held;
    stream.push_back(levels);
    flush();
}

void spi_ftdi_bitbang_t::sck_pulse() {
    drive(SIG_MOSI, false);
    drive(SIG_SCK, true);
    stream.push_back(levels);
    drive(SIG_SCK, false);
    stream.push_back(levels);
    flush();
}

void spi_ftdi_bitbang_t::delay_ms(float ms) {
    os_timer_t timer;
    timer.set_delay(ms);
    timer.wait();
}

bool spi_ftdi_bitbang_t::key_pressed() {
    // A byte that changes nothing, for its sample of the lines.
    stream.push_back(levels);
    flush();
    const SignalMasks& key = pinmap[SIG_KEY];
    return ((samples.front() & key.lines()) != 0) != (key.inverted != 0);
}

} // namespace quarnel
