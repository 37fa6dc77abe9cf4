// The serial programming instruction set of the virtual chip: decoding, memories, busy state.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/chip_state.h"
#include "sim/chip_store.h"
#include "sim/chip_timing.h"

namespace avrsim {

// Executes four-byte instructions on a chip's state. Which byte the chip shifts out while
// the next byte comes in is decided here too. Before programming is enabled MISO is not
// driven (reads high), except for the 0x53 that acknowledges a programming enable received
// in step. Once enabled, the chip echoes the byte it has just received while the second and
// third bytes come in, shifts out the read result while the fourth comes in, and leaves MISO
// undriven during the first byte; so a chip that has lost step shows a wrong echo. Chips of
// the old generation (no flash pages) end their programming session with a chip erase: they
// take no instruction, not even a programming enable, until RESET has been pulsed.
class InstructionUnit {
  public:
    InstructionUnit(ChipState& chip, const ChipSettings& settings);

    // Every change from now on is reported to `store` (nullptr: to nobody).
    void keep_writes_in(ChipStore* store) { store_ = store; }

    // Reset asserted: programming disabled, extended address 0, page buffer empty; a chip
    // waiting for the reset pulse after an erase listens again.
    void enter_reset();

    // The byte to shift out next, after `received` bytes (1 to 4) of an instruction.
    std::uint8_t next_reply(int received, const std::uint8_t* bytes, double now_us);

    // Carries out a complete instruction; an instruction that arrives while the chip
    // is busy is lost.
    void execute(const std::uint8_t* bytes, double now_us);

    // Supply gone: a flash or EEPROM write still running leaves the old contents, and the
    // chip is no longer busy when it comes back.
    void power_lost(double now_us);

    bool busy(double now_us) const { return now_us < busy_until_; }
    long executed() const { return executed_; }
    // Instructions that would have changed the chip but came while it was busy.
    long lost() const { return lost_; }

  private:
    std::uint8_t read_result(const std::uint8_t* bytes, double now_us, bool& answered) const;
    std::uint8_t read_while_busy(const std::uint8_t* bytes, double now_us, bool& answered) const;
    void execute_ac(const std::uint8_t* bytes, double now_us);
    void write_fuse(int index, std::uint8_t value, double now_us);
    void write_page(const std::uint8_t* bytes, double now_us);
    void start_busy(busy_kind kind, double now_us);
    std::size_t flash_index(const std::uint8_t* bytes) const;
    // Keeps `count` bytes of `memory` from `start`, as they were before a write.
    void remember(std::vector<std::uint8_t>& memory, std::size_t start, std::size_t count);
    bool writes_locked() const;
    void report(chip_part part, std::size_t start, std::size_t count) const;
    void report_write() const;

    ChipState& chip_;
    const ChipSettings& settings_;
    ChipStore* store_ = nullptr;
    bool enabled_ = false;
    bool awaiting_reset_ = false;
    std::uint8_t extended_address_ = 0;
    std::vector<std::uint8_t> page_buffer_;
    busy_kind busy_kind_ = busy_kind::none;
    double busy_start_ = 0.0;
    double busy_until_ = 0.0;
    std::vector<std::uint8_t>* written_memory_ = nullptr; // of the write in progress
    std::size_t written_start_ = 0;
    std::vector<std::uint8_t> old_contents_;
    long executed_ = 0;
    long lost_ = 0;
};

} // namespace avrsim
