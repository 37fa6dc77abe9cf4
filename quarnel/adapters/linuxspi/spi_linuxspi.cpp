// spidev transfers, the RESET line and its release at the end.
#include "quarnel/adapters/linuxspi/spi_linuxspi.h"

#include "platform/system_error.h"
#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <utility>

namespace quarnel {

namespace {
[[noreturn]] void fail() {
    console_log(0, "%s\n", platform::last_system_error().c_str());
    throw app_error(EXIT_ENVIRONMENT);
}
} // namespace

spi_linuxspi_t::spi_linuxspi_t(std::unique_ptr<platform::spi_device> spi_device,
                               std::string spi_name,
                               std::unique_ptr<platform::gpio_output> reset_line,
                               bool reset_asserted_high, std::uint32_t sck_hz, linuxspi_exit exit)
    : device(std::move(spi_device)), device_name(std::move(spi_name)), reset(std::move(reset_line)),
      asserted_high(reset_asserted_high), sck_hz_(sck_hz), exit_mode(exit),
      message_limit(std::max<std::size_t>(platform::spi_message_limit(), 4)) {}

spi_linuxspi_t::~spi_linuxspi_t() {
    // The line keeps its level once given back: RESET is released first, or left floating.
    const bool done =
        exit_mode == linuxspi_exit::make_input ? reset->make_input() : reset->set(!asserted_high);
    if (!done) {
        console_log(0, "%s\n", platform::last_system_error().c_str());
    }
}

void spi_linuxspi_t::exchange(const std::uint8_t* out, std::uint8_t* in, std::size_t len) {
    if (in == nullptr) {
        in_buffer.resize(std::min(len, message_limit));
    }
    for (std::size_t done = 0; done < len;) {
        const std::size_t part = std::min(len - done, message_limit);
        if (!device->transfer(out + done, in != nullptr ? in + done : in_buffer.data(), part,
                              sck_hz_)) {
            fail();
        }
        done += part;
    }
}

std::uint8_t spi_linuxspi_t::transfer_byte(std::uint8_t out) {
    std::uint8_t in = 0;
    exchange(&out, &in, 1);
    return in;
}

void spi_linuxspi_t::transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) {
    if (len > 0) {
        exchange(out, in, static_cast<std::size_t>(len));
    }
}

void spi_linuxspi_t::send_buffer(const std::uint8_t* out, int len) {
    if (len > 0) {
        exchange(out, nullptr, static_cast<std::size_t>(len));
    }
}

void spi_linuxspi_t::receive_buffer(std::uint8_t* in, int len) {
    if (len > 0) {
        out_buffer.assign(static_cast<std::size_t>(len), 0x00);
        exchange(out_buffer.data(), in, out_buffer.size());
    }
}

void spi_linuxspi_t::send_then_transfer(const std::uint8_t* send, int send_len,
                                        const std::uint8_t* out, std::uint8_t* in, int len) {
    const std::size_t sent = static_cast<std::size_t>(std::max(send_len, 0));
    const std::size_t exchanged = static_cast<std::size_t>(std::max(len, 0));
    // One transfer for both where the buffer holds them: a page of loads and its page write.
    out_buffer.assign(send, send + sent);
    out_buffer.insert(out_buffer.end(), out, out + exchanged);
    std::vector<std::uint8_t> replies(out_buffer.size());
    exchange(out_buffer.data(), replies.data(), out_buffer.size());
    std::copy(replies.begin() + static_cast<long>(sent), replies.end(), in);
}

void spi_linuxspi_t::drive_reset(bool active) {
    if (!reset->set(active == asserted_high)) {
        fail();
    }
}

void spi_linuxspi_t::set_reset(bool active) {
    drive_reset(active);
}

void spi_linuxspi_t::reset_pulse() {
    drive_reset(false);
    // Two SCK periods, and never less than the few microseconds the target needs to see it.
    delay_ms(std::max(0.01f, 2000.0f / static_cast<float>(sck_hz_)));
    drive_reset(true);
}

void spi_linuxspi_t::delay_ms(float ms) {
    os_timer_t timer;
    timer.set_delay(ms);
    timer.wait();
}

} // namespace quarnel
