// An Arduino board running the ArduinoISP sketch: the engine's instructions go as UNIVERSAL
// commands, flash pages and blocks of flash and EEPROM as PROG_PAGE and READ_PAGE from a
// LOAD_ADDRESS. The sketch's wait after a page write is its LED's flicker, gone from builds
// without it: the host keeps the chip untouched until the page's time has passed, counting the
// line time of what it sends meanwhile.
#pragma once

#include "quarnel/devices/current_device.h"
#include "quarnel/isp/programmer.h"
#include "quarnel/programmers/arduinoisp/stk500_link.h"

#include <cstdint>
#include <vector>

namespace quarnel {

class arduinoisp_programmer_t final : public programmer_t {
  public:
    // `device` is the run's selection: the row in force gives the page size the sketch needs.
    arduinoisp_programmer_t(stk500_link_t link, const DeviceSelection& device);
    ~arduinoisp_programmer_t() override;
    arduinoisp_programmer_t(const arduinoisp_programmer_t&) = delete;
    arduinoisp_programmer_t& operator=(const arduinoisp_programmer_t&) = delete;

    // The sketch hands back only the last byte of an instruction: the reply carries the echo
    // the chip would have given, and programming enable enters the sketch's programming mode.
    Instruction exchange(const Instruction& command) override;
    bool write_page(const PageWrite& page) override;
    bool write_byte(memory_slot memory, long address, std::uint8_t value,
                    const WritePolling& polling, float time_ms) override;
    void read_block(memory_slot memory, long address, long count, std::uint8_t* buffer,
                    bool extended_address) override;

    // RESET is the sketch's: held from ENTER_PROGMODE to LEAVE_PROGMODE.
    void set_reset(bool active) override;
    void reset_pulse() override { leave_programming_mode(); }
    void sck_pulse() override { leave_programming_mode(); }
    void delay_ms(float ms) override;
    bool has_power() override { return false; }
    void power_on() override {}
    void power_off() override {}
    bool has_enable() override { return false; }
    void enable() override {}
    void disable() override {}
    void set_led_ok(bool) override {}
    void set_led_error(bool) override {}
    bool has_key() override { return false; }
    bool key_pressed() override { return false; }

  private:
    void enter_programming_mode();
    void leave_programming_mode();
    // Sends the row's page and memory sizes unless the sketch has them.
    void send_device();
    // The extended address byte of flash `address`, through UNIVERSAL, when it changed.
    void send_extended_address(long address);
    // LOAD_ADDRESS unless the sketch's address is `word_address` already (it counts on
    // through flash pages written and read); the line bytes that takes.
    void load_address(long word_address);
    long address_line_bytes(long word_address) const;
    void advance_here(long bytes);
    // Waits until a page write ends, less the line time of `bytes` the sketch takes in before
    // it clocks the chip again.
    void settle(long bytes);
    // The sketch's page handling knows these page sizes only.
    bool sketch_pages(long page_size) const;

    stk500_link_t link;
    const DeviceSelection& device;
    bool programming = false;
    long device_sent_page = -1;  // the page size of the last SET_DEVICE
    int extended_byte = -1;      // last sent; -1: unknown
    long here = -1;              // the sketch's word address (16 bits); -1: unknown
    std::int64_t busy_until = 0; // counter value at which the last page write ends
    std::vector<std::uint8_t> data;
};

} // namespace quarnel
