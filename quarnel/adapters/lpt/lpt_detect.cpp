// ByteBlaster and STK adapter detection.
#include "quarnel/adapters/lpt/lpt_detect.h"

#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"

namespace quarnel {

namespace {

constexpr float settle_ms = 0.01f;

void settle() {
    os_timer_t timer;
    timer.set_delay(settle_ms);
    timer.wait();
}

void write_and_settle(lpt_t& port, std::uint8_t data) {
    port.write_register(LPT_DATA, data);
    settle();
}

// Control bit 1 (the ALF line) is cleared before every loop-back test.
void release_alf(lpt_t& port) {
    port.write_register(LPT_CONTROL, port.read_register(LPT_CONTROL) & ~0x02);
}

} // namespace

byteblaster_kind detect_byteblaster_kind(lpt_t& port) {
    auto kind = byteblaster_kind::none;
    release_alf(port);
    write_and_settle(port, 0xFF);
    if ((port.read_register(LPT_STATUS) & 0x40) != 0) {
        write_and_settle(port, 0xEF);
        if ((port.read_register(LPT_STATUS) & 0x48) == 0) {
            kind = byteblaster_kind::byteblaster_2;
            port.write_register(LPT_CONTROL, 0x0B);
            port.write_register(LPT_DATA, 0x00);
        }
    }
    if (kind == byteblaster_kind::none) {
        write_and_settle(port, 0x5F);
        const std::uint8_t s1 = port.read_register(LPT_STATUS);
        write_and_settle(port, 0xFF);
        const std::uint8_t s2 = port.read_register(LPT_STATUS);
        if ((s1 & 0x60) == 0 && (s2 & 0x60) == 0x60) {
            kind =
                (s1 & 0x08) != 0 ? byteblaster_kind::byteblaster_mv : byteblaster_kind::byteblaster;
        }
    }
    static const char* const suffix[] = {" not", "", "MV", "-II"};
    console_log(3, "\t%% ByteBlaster%s found\n", suffix[static_cast<int>(kind)]);
    return kind;
}

bool detect_byteblaster(lpt_t& port) {
    return detect_byteblaster_kind(port) != byteblaster_kind::none;
}

bool detect_stk(lpt_t& port) {
    int r = 3;
    release_alf(port);
    write_and_settle(port, 0x0D);
    std::uint8_t s = port.read_register(LPT_STATUS);
    if ((s & 0x20) == 0) {
        r = 1;
    }
    if ((s & 0x80) == 0) {
        r &= ~1;
    }
    write_and_settle(port, 0x0E);
    s = port.read_register(LPT_STATUS);
    if ((s & 0x20) != 0) {
        r &= ~2;
    }
    if ((s & 0x80) != 0) {
        r &= ~1;
    }
    static const char* const suffix[] = {" not", "300", "200", "*00"};
    console_log(3, "\t%% Atmel adapter for STK%s found\n", suffix[r]);
    return r != 0;
}

} // namespace quarnel
