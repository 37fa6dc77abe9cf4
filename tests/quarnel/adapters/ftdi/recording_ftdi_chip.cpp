// Recording FTDI chip: sends are kept, receives are served from the script.
#include "recording_ftdi_chip.h"

void recording_ftdi_chip::receive(std::uint8_t* buffer, std::uint32_t length) {
    log.calls.push_back("receive " + std::to_string(length));
    log.receives.push_back(length);
    std::uint32_t got = 0;
    for (; got < length && !log.replies.empty(); ++got) {
        buffer[got] = log.replies.front();
        log.replies.pop_front();
    }
    if (got != length) {
        fail_ftdi_operation("read from FTDI chip", nullptr);
    }
}

void recording_ftdi_chip::send(const std::uint8_t* buffer, std::uint32_t length) {
    log.calls.push_back("send");
    if (log.fail_sends) {
        fail_ftdi_operation("write to FTDI chip", "FT_IO_ERROR");
    }
    log.sends.emplace_back(buffer, buffer + length);
}
