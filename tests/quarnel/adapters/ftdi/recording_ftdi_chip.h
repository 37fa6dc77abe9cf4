// An ftdi_chip_t that records every operation and answers reads from a script.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

using namespace quarnel;

struct chip_log {
    std::vector<std::string> calls;               // "set_bit_mode 0 2", "send", "purge 1", ...
    std::vector<std::vector<std::uint8_t>> sends; // bytes of each send, in order
    std::vector<std::uint32_t> receives;          // lengths asked for
    std::deque<std::uint8_t> replies;             // bytes handed out by receive
    bool fail_sends = false;                      // every send fails as the library would
    bool destroyed = false;
};

class recording_ftdi_chip final : public ftdi_chip_t {
  public:
    recording_ftdi_chip(ftdi_chip_type chip_type, chip_log& shared_log)
        : ftdi_chip_t(chip_type), log(shared_log) {}
    ~recording_ftdi_chip() override { log.destroyed = true; }

    void set_bit_mode(std::uint8_t mask, ftdi_bit_mode mode) override {
        log.calls.push_back("set_bit_mode " + std::to_string(mask) + " " +
                            std::to_string(static_cast<int>(mode)));
    }
    void receive(std::uint8_t* buffer, std::uint32_t length) override;
    void send(const std::uint8_t* buffer, std::uint32_t length) override;
    void purge(ftdi_purge buffer) override {
        log.calls.push_back("purge " + std::to_string(static_cast<int>(buffer)));
    }
    void set_timeouts(std::uint32_t read_ms, std::uint32_t write_ms) override {
        log.calls.push_back("set_timeouts " + std::to_string(read_ms) + " " +
                            std::to_string(write_ms));
    }
    void set_latency_timer(std::uint8_t ms) override {
        log.calls.push_back("set_latency_timer " + std::to_string(ms));
    }
    void set_baud_rate(std::uint32_t rate) override {
        log.calls.push_back("set_baud_rate " + std::to_string(rate));
    }
    void exchange(const std::uint8_t* out, std::uint8_t* in, std::uint32_t length) override {
        send(out, length);
        receive(in, length);
    }

  private:
    chip_log& log;
};
