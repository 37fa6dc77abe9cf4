// A programmer whose firmware writes and reads whole pages itself, over an in-process virtual
// chip: the engine hands it pages, bytes and blocks through the programmer seam, and it talks
// to the chip one instruction at a time, waiting the times it is given. No spi_t above it.
#pragma once

#include "quarnel/isp/programmer.h"
#include "tests/support/chip_spi.h"

#include <string>

class page_programmer_t final : public quarnel::programmer_t {
  public:
    // `device` is a catalogue name, as for chip_spi_t.
    explicit page_programmer_t(const std::string& device, ChipSettings settings = {});

    quarnel::Instruction exchange(const quarnel::Instruction& command) override;
    bool write_page(const quarnel::PageWrite& page) override;
    bool write_byte(quarnel::memory_slot memory, long address, std::uint8_t value,
                    const quarnel::WritePolling& polling, float time_ms) override;
    void read_block(quarnel::memory_slot memory, long address, long count, std::uint8_t* buffer,
                    bool extended_address) override;

    void set_reset(bool active) override { wire_.set_reset(active); }
    void reset_pulse() override { wire_.reset_pulse(); }
    void sck_pulse() override { wire_.sck_pulse(); }
    void delay_ms(float ms) override { wire_.delay_ms(ms); }
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

    // The chip and the firmware's side of the wire.
    chip_spi_t& wire() { return wire_; }

    // What the engine asked for.
    int instructions = 0; // exchange calls
    int pages_written = 0;
    int bytes_written = 0;
    int blocks_read = 0;
    long bytes_read = 0;

  private:
    // The firmware's own instruction on the wire; a wrong echo loses synchronisation.
    quarnel::Instruction send(const quarnel::Instruction& command);

    chip_spi_t wire_;
};
