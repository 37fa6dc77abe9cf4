// Writing flash and EEPROM: byte writes, page loads and writes, end-of-write waits.
#pragma once

#include "quarnel/common/memory_slot.h"

#include <cstdint>

namespace quarnel {

struct IspSession;

// Prepares writing `memory`: empties the load buffer, closes the page, resets
// the FF fill and, when polling was asked for, picks the poll mode.
void begin_memory_write(IspSession& session, memory_slot memory);

// Hands the byte to the writer of the current memory.
void write_memory_byte(IspSession& session, long address, std::uint8_t value);

// Writes one byte and waits until it is written.
void program_byte(IspSession& session, long address, std::uint8_t value);

// Collects a flash byte into the page buffer; writes the open page first when
// the byte lies in another page or does not follow the bytes loaded so far.
void load_page_byte(IspSession& session, long address, std::uint8_t value);

// Sends the collected loads and writes the page holding `address`.
void write_page(IspSession& session, long address);

// Writes the open page, if any.
void flush_page(IspSession& session);

// Waits for the end of a write of `value` at `address` that takes `time_ms`;
// false when polling timed out.
bool wait_write_done(IspSession& session, long address, std::uint8_t value, float time_ms);

// Writes 0xFF from the FF-fill position up to limit - 1, with progress.
void fill_ff_to(IspSession& session, long limit);

} // namespace quarnel
