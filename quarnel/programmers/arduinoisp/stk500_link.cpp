// STK500 version 1 framing over a serial port.
#include "quarnel/programmers/arduinoisp/stk500_link.h"

#include "platform/clock.h"
#include "platform/system_error.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/user_break.h"
#include "quarnel/isp/instruction.h"
#include "quarnel/programmers/arduinoisp/stk500_protocol.h"

namespace quarnel {

namespace {
// What a board needs after its reset before the sketch listens: the bootloader's wait for an
// upload of its own (about a second on most boards, up to two on older ones).
constexpr long sync_window_ms = 3000;
constexpr unsigned sync_answer_ms = 200;
// Beyond the line time of a command and its answer: the sketch's own work and a USB bridge.
constexpr unsigned answer_slack_ms = 3000;

long ms_since(std::int64_t start) {
    return static_cast<long>((platform::counter_now() - start) * 1000 /
                             platform::counter_frequency());
}
} // namespace

stk500_link_t::stk500_link_t(std::unique_ptr<platform::serial_port> port, std::string port_name,
                             unsigned baud)
    : port_(std::move(port)), name_(std::move(port_name)), baud_(baud) {}

void stk500_link_t::fail_with_system_reason() {
    healthy_ = false;
    console_log(0, "%s\n", platform::last_system_error().c_str());
    throw app_error(EXIT_ENVIRONMENT);
}

void stk500_link_t::send(const std::vector<std::uint8_t>& bytes) {
    if (!port_->write(bytes.data(), bytes.size())) {
        fail_with_system_reason();
    }
}

void stk500_link_t::receive(std::uint8_t* data, std::size_t length) {
    const unsigned timeout_ms =
        answer_slack_ms + static_cast<unsigned>(line_ms(static_cast<long>(length)));
    const long got = port_->read(data, length, timeout_ms);
    if (got < 0) {
        fail_with_system_reason();
    }
    if (static_cast<std::size_t>(got) < length) {
        healthy_ = false;
        console_log(0, "ArduinoISP on %s stopped answering\n", name_.c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
}

bool stk500_link_t::try_sync() {
    if (!port_->discard_input()) {
        fail_with_system_reason();
    }
    send({stk500::get_sync, stk500::end_of_packet});
    std::uint8_t answer[2] = {};
    const long got = port_->read(answer, 2, sync_answer_ms);
    if (got < 0) {
        fail_with_system_reason();
    }
    return got == 2 && answer[0] == stk500::in_sync && answer[1] == stk500::ok;
}

void stk500_link_t::synchronise() {
    // The board resets on the falling edge of DTR (or RTS) through its capacitor: the port's
    // opening has made one; another one makes sure of it where the port has the lines.
    if (port_->set_dtr_rts(false)) {
        platform::sleep_ms(250);
        if (!port_->set_dtr_rts(true)) {
            fail_with_system_reason();
        }
        platform::sleep_ms(50);
    } else {
        console_log(3, "\t%% %s: no reset by DTR (%s)\n", name_.c_str(),
                    platform::last_system_error().c_str());
    }
    const std::int64_t start = platform::counter_now();
    int tries = 0;
    for (;;) {
        poll_user_break();
        ++tries;
        if (try_sync()) {
            break;
        }
        if (ms_since(start) > sync_window_ms) {
            console_log(0,
                        "No ArduinoISP answers on %s at %u baud (is the sketch on the board and "
                        "the port the board's?)\n",
                        name_.c_str(), baud_);
            throw app_error(EXIT_ENVIRONMENT);
        }
    }
    // A late answer of an earlier try may follow the one taken.
    platform::sleep_ms(sync_answer_ms / 4);
    if (!port_->discard_input()) {
        fail_with_system_reason();
    }
    console_log(3, "\t%% %s: in sync after %d tries\n", name_.c_str(), tries);
}

void stk500_link_t::command(const std::vector<std::uint8_t>& command, std::uint8_t* answer,
                            std::size_t answer_length) {
    out_.assign(command.begin(), command.end());
    out_.push_back(stk500::end_of_packet);
    send(out_);
    std::uint8_t frame = 0;
    receive(&frame, 1);
    if (frame == stk500::in_sync && answer_length > 0) {
        receive(answer, answer_length);
    }
    if (frame == stk500::in_sync) {
        receive(&frame, 1);
        if (frame == stk500::ok) {
            return;
        }
    }
    healthy_ = false;
    console_log(0, "ArduinoISP on %s answered 0x%02X to command 0x%02X\n", name_.c_str(), frame,
                command.front());
    raise_sync_lost();
}

} // namespace quarnel
