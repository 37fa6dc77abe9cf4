// Writing flash and EEPROM: one writer per memory and operation, byte by byte or by pages.
#pragma once

#include "quarnel/common/memory_slot.h"
#include "quarnel/isp/programmer.h"

#include <cstdint>

namespace quarnel {

struct DeviceInfo;
struct IspSession;
struct WriteWaits;

// The poll mode a run that asked for polling uses for `memory` of the row in force; a row
// without polling for it gets timed writes and a warning.
WritePolling select_polling(const IspSession& session, memory_slot memory);

// True when an erase of this run left the 0xFF bytes of `memory` in place: not in EEPROM the
// erase kept (EESAVE), nor in EEPROM saved for restoring, which is written back whole.
bool skips_erased_ff(const IspSession& session, memory_slot memory);

class MemoryWriter;

// The writer a programming of `memory` uses: after an erase of this run it first finds out
// whether that erase kept the EEPROM (EESAVE); with polling asked for it picks the poll mode.
MemoryWriter begin_memory_write(IspSession& session, memory_slot memory);

// Writes the bytes of one memory in the order given: EEPROM and flash without pages byte by
// byte, paged flash by collecting each page's loads (whole words) and writing the page when
// the next byte leaves it. Bytes an erase of this run left at 0xFF are not sent. A write whose
// polling timed out ends the run with "Poll: can't write ..." (status 10).
class MemoryWriter {
  public:
    // `skip_erased_ff`: 0xFF bytes are already there.
    MemoryWriter(programmer_t& programmer, const DeviceInfo& device, memory_slot memory,
                 const WriteWaits& waits, const WritePolling& polling, bool skip_erased_ff);

    // The writer of `memory` of the row in force, with the session's waits and erase facts.
    MemoryWriter(const IspSession& session, memory_slot memory, const WritePolling& polling);

    void write(long address, std::uint8_t value);
    // Writes the open page, if any.
    void flush();

  private:
    void write_byte(long address, std::uint8_t value);
    void load_page_byte(long address, std::uint8_t value);
    void load(long address, std::uint8_t value);
    void write_page(long address);

    programmer_t& programmer;
    const memory_slot memory;
    const bool paged;
    const long page_mask;
    const float time_ms;
    const WritePolling polling;
    const bool skip_ff;
    long open_page = -1; // last byte loaded into the page buffer; -1: no page open
    PageWrite page;      // the loads of the open page and its poll target
};

} // namespace quarnel
