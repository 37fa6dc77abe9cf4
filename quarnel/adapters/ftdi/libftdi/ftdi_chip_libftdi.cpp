// FTDI chip operations over libftdi1 calls.
#include "quarnel/adapters/ftdi/libftdi/ftdi_chip_libftdi.h"

#include "platform/clock.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace quarnel {

namespace {
// A byte count as libftdi takes it.
int chunk(std::uint32_t length) {
    return static_cast<int>(std::min<std::uint32_t>(length, INT_MAX));
}

// The USB transfer size of synchronous bit-bang: the exchange of a page or of a read chunk in
// one transfer.
constexpr unsigned int exchange_chunk = 65536;
} // namespace

ftdi_chip_libftdi_t::ftdi_chip_libftdi_t(ftdi_chip_type chip_type,
                                         std::unique_ptr<libftdi_library_t> ftdi_library,
                                         libftdi::ftdi_context* open_context)
    : ftdi_chip_t(chip_type), library(std::move(ftdi_library)), context(open_context) {}

ftdi_chip_libftdi_t::~ftdi_chip_libftdi_t() {
    library->ftdi_usb_close(context);
    library->ftdi_free(context);
}

void ftdi_chip_libftdi_t::check(const char* operation, int result) const {
    if (result < 0) {
        fail_ftdi_operation(operation, library->error_text(context));
    }
}

void ftdi_chip_libftdi_t::set_bit_mode(std::uint8_t mask, ftdi_bit_mode mode) {
    const std::uint8_t libftdi_mode = mode == ftdi_bit_mode::mpsse ? libftdi::BITMODE_MPSSE
                                      : mode == ftdi_bit_mode::sync_bitbang
                                          ? libftdi::BITMODE_SYNCBB
                                          : libftdi::BITMODE_RESET;
    check("set bit mode", library->ftdi_set_bitmode(context, mask, libftdi_mode));
    if (mode == ftdi_bit_mode::sync_bitbang) {
        // Each USB transfer that ends costs its pipe a frame before the next one runs: let
        // one transfer carry a whole exchange (libftdi keeps reads to 16 KB on Linux).
        check("set chunk size", library->ftdi_write_data_set_chunksize(context, exchange_chunk));
        check("set chunk size", library->ftdi_read_data_set_chunksize(context, exchange_chunk));
    }
}

// The read is submitted first and waits while the write goes out, so the chip's FIFOs never
// fill and the chip clocks the bytes as fast as USB brings them.
void ftdi_chip_libftdi_t::exchange(const std::uint8_t* out, std::uint8_t* in,
                                   std::uint32_t length) {
    libftdi::ftdi_transfer_control* read =
        library->ftdi_read_data_submit(context, in, chunk(length));
    if (read == nullptr) {
        fail_ftdi_operation("read from FTDI chip", nullptr);
    }
    // libftdi does not change the bytes; its prototype merely lacks the const.
    libftdi::ftdi_transfer_control* write =
        library->ftdi_write_data_submit(context, const_cast<std::uint8_t*>(out), chunk(length));
    if (write == nullptr || library->ftdi_transfer_data_done(write) != chunk(length)) {
        library->ftdi_transfer_data_cancel(read, nullptr);
        fail_ftdi_operation("write to FTDI chip", nullptr);
    }
    if (library->ftdi_transfer_data_done(read) != chunk(length)) {
        fail_ftdi_operation("read from FTDI chip", nullptr);
    }
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

void ftdi_chip_libftdi_t::purge(ftdi_purge buffer) {
    check("purge FTDI chip buffer(s)", buffer == ftdi_purge::to_host
                                           ? library->ftdi_tciflush(context)
                                           : library->ftdi_tcoflush(context));
}

void ftdi_chip_libftdi_t::set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) {
    context->usb_read_timeout = chunk(read_ms);
    context->usb_write_timeout = chunk(write_ms);
}

void ftdi_chip_libftdi_t::set_latency_timer(std::uint8_t ms) {
    check("set latency timer", library->ftdi_set_latency_timer(context, ms));
}

void ftdi_chip_libftdi_t::set_baud_rate(std::uint32_t rate) {
    check("set baud rate", library->ftdi_set_baudrate(context, chunk(rate)));
}

} // namespace quarnel
