// MPSSE SPI adapter: GPIO image, clock set-up, byte clocking, reset pulse, key and shutdown.
#include "quarnel/adapters/ftdi/mpsse/spi_ftdi_mpsse.h"

#include "quarnel/adapters/ftdi/mpsse/mpsse_clock.h"
#include "quarnel/adapters/ftdi/mpsse/mpsse_commands.h"
#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quarnel {

namespace {
void wait_ms(float ms) {
    os_timer_t timer;
    timer.set_delay(ms);
    timer.wait();
}

std::uint8_t low_byte(std::uint32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
std::uint8_t high_byte(std::uint32_t value) {
    return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

constexpr std::uint32_t read_timeout_ms = 5000;
constexpr std::uint32_t write_timeout_ms = 5000;
constexpr pin_signal output_signals[] = {SIG_MOSI, SIG_SCK,    SIG_RESET,     SIG_POWER,
                                         SIG_SET,  SIG_ENABLE, SIG_LED_ERROR, SIG_LED_OK};
} // namespace

spi_ftdi_mpsse_t::spi_ftdi_mpsse_t(std::unique_ptr<ftdi_chip_t> ftdi_chip, const pinmap_t& pins,
                                   std::uint32_t requested_hz, mpsse_exit exit)
    : chip(std::move(ftdi_chip)), pinmap(pins), exit_mode(exit) {
    mosi_inverted = pinmap[SIG_MOSI].inverted != 0;
    miso_inverted = pinmap[SIG_MISO].inverted != 0;
    clock_command_base =
        pinmap[SIG_SCK].inverted != 0 ? mpsse::OUT_RISING_IN_FALLING : mpsse::OUT_FALLING_IN_RISING;
    for (pin_signal signal : output_signals) {
        drive(signal, false);
        gpio_directions |= pinmap[signal].lines();
    }
    const mpsse_clock_t clock = mpsse_clock(chip->type, requested_hz);
    sck_mhz = clock.sck_mhz;

    chip->set_bit_mode(0, ftdi_bit_mode::mpsse);
    chip->set_timeouts(read_timeout_ms, write_timeout_ms);
    const std::vector<std::uint8_t> clock_commands = mpsse_clock_commands(clock);
    chip->send(clock_commands.data(), static_cast<std::uint32_t>(clock_commands.size()));
    wait_ms(20);
    chip->purge(ftdi_purge::to_host);
    wait_ms(10);
    write_gpio();
    wait_ms(10);
}

spi_ftdi_mpsse_t::~spi_ftdi_mpsse_t() {
    // A chip unplugged by now fails here; its reason is printed and the run is ending anyway.
    // A failed write does not stop the bit-mode request: leaving MPSSE mode is what releases
    // the target's lines, and it may still go through when bulk transfers fail.
    try {
        if (chip->type != ftdi_chip_type::ft2232c) {
            const std::uint8_t divide_by_5_on = mpsse::DIVIDE_BY_5_ON;
            chip->send(&divide_by_5_on, 1);
        }
    } catch (const app_error&) {
    }
    try {
        if (exit_mode == mpsse_exit::keep_inputs) {
            for (pin_signal signal : {SIG_MOSI, SIG_SCK, SIG_RESET, SIG_SET}) {
                gpio_directions &= ~pinmap[signal].lines();
            }
            write_gpio();
            console_log(2, "FTDI chip left in MPSSE mode with programming pins configured as "
                           "inputs\n");
        } else {
            chip->set_bit_mode(0, ftdi_bit_mode::reset);
        }
    } catch (const app_error&) {
    }
}

void spi_ftdi_mpsse_t::drive(pin_signal signal, bool active) {
    const SignalMasks& masks = pinmap[signal];
    gpio_values = active ? (gpio_values | masks.normal) & ~masks.inverted
                         : (gpio_values & ~masks.normal) | masks.inverted;
}

void spi_ftdi_mpsse_t::write_gpio() {
    const std::uint8_t commands[] = {mpsse::SET_LOW_BYTE,       low_byte(gpio_values),
                                     low_byte(gpio_directions), mpsse::SET_HIGH_BYTE,
                                     high_byte(gpio_values),    high_byte(gpio_directions)};
    chip->send(commands, sizeof commands);
}

void spi_ftdi_mpsse_t::append_clocking(std::vector<std::uint8_t>& commands, std::uint8_t command,
                                       const std::uint8_t* out, int len) const {
    for (int done = 0; done < len;) {
        const int chunk = std::min(len - done, mpsse::MAX_BYTES_PER_COMMAND);
        commands.push_back(command);
        commands.push_back(low_byte(static_cast<std::uint32_t>(chunk - 1)));
        commands.push_back(high_byte(static_cast<std::uint32_t>(chunk - 1)));
        if (out != nullptr) {
            for (int i = done; i < done + chunk; ++i) {
                commands.push_back(mosi_inverted ? static_cast<std::uint8_t>(~out[i]) : out[i]);
            }
        }
        done += chunk;
    }
}

void spi_ftdi_mpsse_t::receive_reply(std::uint8_t* in, int len) {
    chip->receive(in, static_cast<std::uint32_t>(len));
    if (miso_inverted) {
        for (int i = 0; i < len; ++i) {
            in[i] = static_cast<std::uint8_t>(~in[i]);
        }
    }
}

std::uint8_t spi_ftdi_mpsse_t::transfer_byte(std::uint8_t out) {
    std::uint8_t in = 0;
    transfer_buffer(&out, &in, 1);
    return in;
}

void spi_ftdi_mpsse_t::send_byte(std::uint8_t out) {
    send_buffer(&out, 1);
}

std::uint8_t spi_ftdi_mpsse_t::receive_byte() {
    std::uint8_t in = 0;
    receive_buffer(&in, 1);
    return in;
}

void spi_ftdi_mpsse_t::transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) {
    send_then_transfer(nullptr, 0, out, in, len);
}

void spi_ftdi_mpsse_t::send_then_transfer(const std::uint8_t* send, int send_len,
                                          const std::uint8_t* out, std::uint8_t* in, int len) {
    if (len <= 0) {
        send_buffer(send, send_len);
        return;
    }
    std::vector<std::uint8_t> commands;
    commands.reserve(static_cast<std::size_t>(std::max(send_len, 0) + len) + 16);
    append_clocking(commands, clock_command_base | mpsse::BYTES_OUT, send, send_len);
    append_clocking(commands, clock_command_base | mpsse::BYTES_OUT_IN, out, len);
    commands.push_back(mpsse::SEND_IMMEDIATE);
    chip->send(commands.data(), static_cast<std::uint32_t>(commands.size()));
    receive_reply(in, len);
}

void spi_ftdi_mpsse_t::send_buffer(const std::uint8_t* out, int len) {
    if (len <= 0) {
        return;
    }
    std::vector<std::uint8_t> commands;
    commands.reserve(static_cast<std::size_t>(len) + 16);
    append_clocking(commands, clock_command_base | mpsse::BYTES_OUT, out, len);
    chip->send(commands.data(), static_cast<std::uint32_t>(commands.size()));
}

void spi_ftdi_mpsse_t::receive_buffer(std::uint8_t* in, int len) {
    if (len <= 0) {
        return;
    }
    std::vector<std::uint8_t> commands;
    append_clocking(commands, clock_command_base | mpsse::BYTES_IN, nullptr, len);
    commands.push_back(mpsse::SEND_IMMEDIATE);
    chip->send(commands.data(), static_cast<std::uint32_t>(commands.size()));
    receive_reply(in, len);
}

void spi_ftdi_mpsse_t::set_reset(bool active) {
    drive(SIG_RESET, active);
    write_gpio();
}

int spi_ftdi_mpsse_t::reset_pulse_writes(float sck_mhz) {
    const double writes = std::ceil(0.6 / static_cast<double>(sck_mhz));
    return static_cast<int>(std::clamp(writes, 1.0, 2000.0));
}

void spi_ftdi_mpsse_t::reset_pulse() {
    const std::uint32_t reset_lines = pinmap[SIG_RESET].lines();
    const bool high = (reset_lines & 0xFF00) != 0;
    const int shift = high ? 8 : 0;
    const std::uint8_t command = high ? mpsse::SET_HIGH_BYTE : mpsse::SET_LOW_BYTE;
    const auto value = [shift](std::uint32_t image) {
        return static_cast<std::uint8_t>((image >> shift) & 0xFF);
    };
    const int writes = reset_pulse_writes(sck_mhz);
    std::vector<std::uint8_t> commands;
    commands.reserve(static_cast<std::size_t>(writes + 1) * 3);
    for (int i = 0; i < writes; ++i) {
        commands.insert(commands.end(),
                        {command, value(gpio_values ^ reset_lines), value(gpio_directions)});
    }
    commands.insert(commands.end(), {command, value(gpio_values), value(gpio_directions)});
    chip->send(commands.data(), static_cast<std::uint32_t>(commands.size()));
}

void spi_ftdi_mpsse_t::sck_pulse() {
    const std::uint8_t commands[] = {
        static_cast<std::uint8_t>(clock_command_base | mpsse::BITS_OUT), 0x01, 0x00};
    chip->send(commands, sizeof commands);
}

void spi_ftdi_mpsse_t::delay_ms(float ms) {
    wait_ms(ms);
}

void spi_ftdi_mpsse_t::power_on() {
    drive(SIG_POWER, true);
    write_gpio();
}

void spi_ftdi_mpsse_t::power_off() {
    drive(SIG_POWER, false);
    write_gpio();
}

void spi_ftdi_mpsse_t::enable() {
    drive(SIG_ENABLE, true);
    write_gpio();
}

void spi_ftdi_mpsse_t::disable() {
    drive(SIG_ENABLE, false);
    write_gpio();
}

void spi_ftdi_mpsse_t::set_led_ok(bool on) {
    drive(SIG_LED_OK, on);
    write_gpio();
}

void spi_ftdi_mpsse_t::set_led_error(bool on) {
    drive(SIG_LED_ERROR, on);
    write_gpio();
}

bool spi_ftdi_mpsse_t::key_pressed() {
    // Send immediate, so that the reply does not wait for the latency timer.
    const std::uint8_t commands[] = {mpsse::READ_LOW_BYTE, mpsse::READ_HIGH_BYTE,
                                     mpsse::SEND_IMMEDIATE};
    chip->send(commands, sizeof commands);
    std::uint8_t state[2] = {};
    chip->receive(state, sizeof state);
    const std::uint32_t lines = state[0] | (std::uint32_t{state[1]} << 8);
    const SignalMasks& key = pinmap[SIG_KEY];
    return ((lines & key.lines()) != 0) != (key.inverted != 0);
}

} // namespace quarnel
