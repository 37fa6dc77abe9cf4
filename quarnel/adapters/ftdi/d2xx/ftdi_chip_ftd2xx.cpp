// FTDI chip operations forwarded to the D2XX calls.
#include "quarnel/adapters/ftdi/d2xx/ftdi_chip_ftd2xx.h"

#include "quarnel/adapters/ftdi/ftdi_names.h"

#include <algorithm>
#include <utility>

namespace quarnel {

namespace {
d2xx::UCHAR d2xx_bit_mode(ftdi_bit_mode mode) {
    switch (mode) {
    case ftdi_bit_mode::mpsse:
        return d2xx::FT_BITMODE_MPSSE;
    case ftdi_bit_mode::sync_bitbang:
        return d2xx::FT_BITMODE_SYNC_BITBANG;
    default:
        return d2xx::FT_BITMODE_RESET;
    }
}

d2xx::ULONG d2xx_purge_mask(ftdi_purge buffer) {
    return buffer == ftdi_purge::to_host ? d2xx::FT_PURGE_RX : d2xx::FT_PURGE_TX;
}
} // namespace

void check_ftdi_status(const char* operation, d2xx::FT_STATUS status, bool short_transfer) {
    if (status != d2xx::FT_OK) {
        fail_ftdi_operation(operation, ftdi_status_name(status));
    }
    if (short_transfer) {
        fail_ftdi_operation(operation, nullptr);
    }
}

ftdi_chip_ftd2xx_t::ftdi_chip_ftd2xx_t(ftdi_chip_type chip_type,
                                       std::unique_ptr<ftd2xx_library_t> d2xx_library,
                                       d2xx::FT_HANDLE device)
    : ftdi_chip_t(chip_type), library(std::move(d2xx_library)), handle(device) {}

ftdi_chip_ftd2xx_t::~ftdi_chip_ftd2xx_t() {
    library->FT_Close(handle);
}

void ftdi_chip_ftd2xx_t::set_bit_mode(std::uint8_t mask, ftdi_bit_mode mode) {
    check_ftdi_status("set bit mode", library->FT_SetBitMode(handle, mask, d2xx_bit_mode(mode)),
                      false);
}

void ftdi_chip_ftd2xx_t::receive(std::uint8_t* buffer, std::uint32_t length) {
    d2xx::DWORD received = 0;
    const d2xx::FT_STATUS status = library->FT_Read(handle, buffer, length, &received);
    check_ftdi_status("read from FTDI chip", status, received != length);
}

void ftdi_chip_ftd2xx_t::send(const std::uint8_t* buffer, std::uint32_t length) {
    d2xx::DWORD written = 0;
    // FT_Write does not change the data; its prototype merely lacks the const.
    const d2xx::FT_STATUS status =
        library->FT_Write(handle, const_cast<std::uint8_t*>(buffer), length, &written);
    check_ftdi_status("write to FTDI chip", status, written != length);
}

// The driver reads the chip continuously into a buffer of its own: the samples of 64 KB wait
// there while the bytes go out.
void ftdi_chip_ftd2xx_t::exchange(const std::uint8_t* out, std::uint8_t* in, std::uint32_t length) {
    constexpr std::uint32_t driver_buffer = 65536;
    for (std::uint32_t done = 0; done < length;) {
        const std::uint32_t piece = std::min(driver_buffer, length - done);
        send(out + done, piece);
        receive(in + done, piece);
        done += piece;
    }
}

void ftdi_chip_ftd2xx_t::purge(ftdi_purge buffer) {
    check_ftdi_status("purge FTDI chip buffer(s)",
                      library->FT_Purge(handle, d2xx_purge_mask(buffer)), false);
}

void ftdi_chip_ftd2xx_t::set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) {
    check_ftdi_status("set timeouts", library->FT_SetTimeouts(handle, read_ms, write_ms), false);
}

void ftdi_chip_ftd2xx_t::set_latency_timer(std::uint8_t ms) {
    check_ftdi_status("set latency timer", library->FT_SetLatencyTimer(handle, ms), false);
}

void ftdi_chip_ftd2xx_t::set_baud_rate(std::uint32_t rate) {
    check_ftdi_status("set baud rate", library->FT_SetBaudRate(handle, rate), false);
}

} // namespace quarnel
