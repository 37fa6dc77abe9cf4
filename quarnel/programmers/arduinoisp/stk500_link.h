// The serial line to an STK500 version 1 programmer: commands with their end byte, answers
// framed by INSYNC and OK, the board's reset when the port opens and the sync after it.
#pragma once

#include "platform/serial_port.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarnel {

class stk500_link_t {
  public:
    stk500_link_t(std::unique_ptr<platform::serial_port> port, std::string port_name,
                  unsigned baud);

    // Resets the board (DTR and RTS, where the port has them) and asks for sync until its
    // sketch answers; a board that never does is reported and raises app_error 70.
    void synchronise();
    // Sends `command` and the end byte, then reads INSYNC, `answer_length` bytes into
    // `answer` and OK. No answer in time raises app_error 70; any other framing byte is a
    // lost synchronisation (status 40). Failures of the port raise app_error 70.
    void command(const std::vector<std::uint8_t>& command, std::uint8_t* answer = nullptr,
                 std::size_t answer_length = 0);
    // Milliseconds the line needs for `bytes` bytes (a start bit, eight data bits, a stop bit).
    float line_ms(long bytes) const { return static_cast<float>(bytes) * 10000.0f / baud_; }

    // False once the board failed to answer or the port failed: nothing more is sent.
    bool healthy() const { return healthy_; }
    const std::string& port_name() const { return name_; }
    unsigned baud() const { return baud_; }

  private:
    bool try_sync();
    void send(const std::vector<std::uint8_t>& bytes);
    // Reads exactly `length` bytes or reports the board silent.
    void receive(std::uint8_t* data, std::size_t length);
    [[noreturn]] void fail_with_system_reason();

    std::unique_ptr<platform::serial_port> port_;
    std::string name_;
    unsigned baud_;
    std::vector<std::uint8_t> out_;
    bool healthy_ = true;
};

} // namespace quarnel
