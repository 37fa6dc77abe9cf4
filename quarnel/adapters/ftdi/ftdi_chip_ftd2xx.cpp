// FTDI chip operations forwarded to the D2XX calls.
#include "quarnel/adapters/ftdi/ftdi_chip_ftd2xx.h"

#include <utility>

namespace quarnel {

ftdi_chip_ftd2xx_t::ftdi_chip_ftd2xx_t(std::int32_t type_code,
                                       std::unique_ptr<ftd2xx_library_t> d2xx_library,
                                       d2xx::FT_HANDLE device)
    : ftdi_chip_t(type_code), library(std::move(d2xx_library)), handle(device) {}

ftdi_chip_ftd2xx_t::~ftdi_chip_ftd2xx_t() {
    library->FT_Close(handle);
}

void ftdi_chip_ftd2xx_t::set_bit_mode(std::uint8_t mask, std::uint8_t mode) {
    check_ftdi_status("set bit mode", library->FT_SetBitMode(handle, mask, mode), false);
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

void ftdi_chip_ftd2xx_t::purge(std::uint8_t mask) {
    check_ftdi_status("purge FTDI chip buffer(s)", library->FT_Purge(handle, mask), false);
}

void ftdi_chip_ftd2xx_t::set_latency_timer(std::uint8_t ms) {
    check_ftdi_status("set latency timer", library->FT_SetLatencyTimer(handle, ms), false);
}

void ftdi_chip_ftd2xx_t::set_baud_rate(std::uint32_t rate) {
    check_ftdi_status("set baud rate", library->FT_SetBaudRate(handle, rate), false);
}

void ftdi_chip_ftd2xx_t::set_divisor(std::uint16_t divisor) {
    check_ftdi_status("set divider", library->FT_SetDivisor(handle, divisor), false);
}

void ftdi_chip_ftd2xx_t::set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) {
    check_ftdi_status("set timeouts", library->FT_SetTimeouts(handle, read_ms, write_ms), false);
}

} // namespace quarnel
