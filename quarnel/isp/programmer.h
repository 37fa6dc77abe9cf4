// What the ISP engine asks of a programmer: four-byte instructions, page and byte writes with
// their end-of-write waits, block reads, and the target's lines. spi_programmer_t does it over
// any spi_t; a programmer whose firmware writes and reads whole pages implements it natively.
#pragma once

#include "quarnel/common/memory_slot.h"
#include "quarnel/isp/instruction.h"

#include <cstdint>
#include <vector>

namespace quarnel {

// How the end of a write is detected.
enum poll_mode : int { POLL_MODE_TIMED = 0, POLL_MODE_DATA = 1, POLL_MODE_READY = 2 };

// The poll mode of a memory, with the two values data polling cannot see.
struct WritePolling {
    int mode = POLL_MODE_TIMED;
    std::uint8_t no_poll[2] = {0xFF, 0xFF};

    bool can_poll(std::uint8_t value) const { return value != no_poll[0] && value != no_poll[1]; }
};

// A byte loaded into the chip's flash page buffer.
struct PageLoad {
    long address;
    std::uint8_t value;
};

// One flash page write: the loads in order (whole words), then the page write and its wait.
struct PageWrite {
    long address = -1; // a byte address in the page: the last one loaded
    std::vector<PageLoad> loads;
    bool extended_address = false; // flash above 128 KB: the extended address byte goes too
    WritePolling polling;
    long poll_address = -1; // the last load data polling can see; -1: none
    std::uint8_t poll_value = 0xFF;
    float time_ms = 0.0f;
};

class programmer_t {
  public:
    virtual ~programmer_t() = default;

    // One instruction and the four bytes that came back (no echo test).
    virtual Instruction exchange(const Instruction& command) = 0;
    // Loads and writes a flash page, then waits for its end; false when polling timed out.
    // A wrong echo ends the run (synchronisation lost).
    virtual bool write_page(const PageWrite& page) = 0;
    // Writes one byte of `memory` and waits for its end; false when polling timed out.
    virtual bool write_byte(memory_slot memory, long address, std::uint8_t value,
                            const WritePolling& polling, float time_ms) = 0;
    // Reads `count` bytes of `memory` from `address` (flash: inside one 128 KB block), the
    // extended address byte of `address` first when `extended_address` is set.
    virtual void read_block(memory_slot memory, long address, long count, std::uint8_t* buffer,
                            bool extended_address) = 0;

    // The target's lines, the adapter's waits and what it has.
    virtual void set_reset(bool active) = 0;
    virtual void reset_pulse() = 0;
    virtual void sck_pulse() = 0;
    virtual void delay_ms(float ms) = 0;
    virtual bool has_power() = 0;
    virtual void power_on() = 0;
    virtual void power_off() = 0;
    virtual bool has_enable() = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    virtual void set_led_ok(bool on) = 0;
    virtual void set_led_error(bool on) = 0;
    virtual bool has_key() = 0;
    virtual bool key_pressed() = 0;
};

// As exchange, then the echo test.
Instruction exchange_checked(programmer_t& programmer, const Instruction& command);

} // namespace quarnel
