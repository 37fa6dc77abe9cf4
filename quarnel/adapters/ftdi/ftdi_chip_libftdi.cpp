// FTDI chip operations over libftdi1 calls.
#include "quarnel/adapters/ftdi/ftdi_chip_libftdi.h"

#include "platform/clock.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace quarnel {

namespace {
// Bit 0 of a purge mask: the buffer of bytes on their way to the host; bit 1: those on their
// way to the chip.
constexpr std::uint8_t purge_to_host = 1;
constexpr std::uint8_t purge_to_chip = 2;
// Baud-rate divisors count from this clock on every chip (the H chips' 120 MHz clock is
// divided to it outside MPSSE mode).
constexpr std::uint32_t baud_clock_hz = 3000000;

// A byte count as libftdi takes it.
int chunk(std::uint32_t length) {
    return static_cast<int>(std::min<std::uint32_t>(length, INT_MAX));
}
} // namespace

ftdi_chip_libftdi_t::ftdi_chip_libftdi_t(std::int32_t type_code,
                                         std::unique_ptr<libftdi_library_t> ftdi_library,
                                         libftdi::ftdi_context* open_context)
    : ftdi_chip_t(type_code), library(std::move(ftdi_library)), context(open_context) {}

ftdi_chip_libftdi_t::~ftdi_chip_libftdi_t() {
    library->ftdi_usb_close(context);
    library->ftdi_free(context);
}

void ftdi_chip_libftdi_t::check(const char* operation, int result) const {
    if (result < 0) {
        fail_ftdi_operation(operation, library->error_text(context));
    }
}

void ftdi_chip_libftdi_t::set_bit_mode(std::uint8_t mask, std::uint8_t mode) {
    check("set bit mode", library->ftdi_set_bitmode(context, mask, mode));
}

// libftdi returns what the chip had ready, possibly nothing; the rest is awaited until the
// read time-out has passed without it.
void ftdi_chip_libftdi_t::receive(std::uint8_t* buffer, std::uint32_t length) {
    const std::int64_t frequency = platform::counter_frequency();
    const std::int64_t deadline =
        platform::counter_now() + frequency * context->usb_read_timeout / 1000;
    std::uint32_t received = 0;
    while (received < length) {
        const int result =
            library->ftdi_read_data(context, buffer + received, chunk(length - received));
        check("read from FTDI chip", result);
        received += static_cast<std::uint32_t>(result);
        if (result == 0 && received < length && platform::counter_now() >= deadline) {
            fail_ftdi_operation("read from FTDI chip", nullptr);
        }
    }
}

void ftdi_chip_libftdi_t::send(const std::uint8_t* buffer, std::uint32_t length) {
    const int result = library->ftdi_write_data(context, buffer, chunk(length));
    check("write to FTDI chip", result);
    if (static_cast<std::uint32_t>(result) != length) {
        fail_ftdi_operation("write to FTDI chip", nullptr);
    }
}

void ftdi_chip_libftdi_t::purge(std::uint8_t mask) {
    if ((mask & purge_to_host) != 0) {
        check("purge FTDI chip buffer(s)", library->ftdi_tciflush(context));
    }
    if ((mask & purge_to_chip) != 0) {
        check("purge FTDI chip buffer(s)", library->ftdi_tcoflush(context));
    }
}

void ftdi_chip_libftdi_t::set_latency_timer(std::uint8_t ms) {
    check("set latency timer", library->ftdi_set_latency_timer(context, ms));
}

void ftdi_chip_libftdi_t::set_baud_rate(std::uint32_t rate) {
    check("set baud rate", library->ftdi_set_baudrate(context, chunk(rate)));
}

// libftdi takes only rates; the rate of a divisor is the base clock over it (0 is the base).
void ftdi_chip_libftdi_t::set_divisor(std::uint16_t divisor) {
    const std::uint32_t rate = baud_clock_hz / std::max<std::uint32_t>(divisor, 1);
    check("set divider", library->ftdi_set_baudrate(context, chunk(rate)));
}

void ftdi_chip_libftdi_t::set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) {
    context->usb_read_timeout = chunk(read_ms);
    context->usb_write_timeout = chunk(write_ms);
}

} // namespace quarnel
