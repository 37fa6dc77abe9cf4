// Writing flash and EEPROM: byte writes, page loads and page writes.
#include "quarnel/isp/memory_write.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/isp/fuse_operations.h"
#include "quarnel/isp/session.h"
#include "quarnel/isp/write_waits.h"

namespace quarnel {

namespace {
constexpr long extended_address_from = 0x20000; // flash above 128 KB
} // namespace

WritePolling select_polling(const IspSession& session, memory_slot memory) {
    const DeviceInfo& device = session.current_device();
    const int code = memory == SLOT_CODE ? device.flash_poll : device.eeprom_poll;
    WritePolling polling;
    switch (code) {
    case POLL_DATA_FF00:
        polling = {POLL_MODE_DATA, {0xFF, 0x00}};
        break;
    case POLL_DATA_807F:
        polling = {POLL_MODE_DATA, {0x80, 0x7F}};
        break;
    case POLL_DATA_7F:
        polling = {POLL_MODE_DATA, {0x7F, 0x7F}};
        break;
    case POLL_DATA_FF:
        polling = {POLL_MODE_DATA, {0xFF, 0xFF}};
        break;
    case POLL_RDY_BSY:
        polling.mode = POLL_MODE_READY;
        break;
    default:
        console_log(1, "Warning: can't use write polling for %s of %s\n", memory_names[memory],
                    current_device_name(session));
        break;
    }
    return polling;
}

MemoryWriter begin_memory_write(IspSession& session, memory_slot memory) {
    if (memory == SLOT_DATA && session.erase.erased) {
        session.erase.eeprom_kept = eesave_programmed(session);
    }
    return MemoryWriter(session, memory,
                        session.settings.write_poll ? select_polling(session, memory)
                                                    : WritePolling{});
}

bool skips_erased_ff(const IspSession& session, memory_slot memory) {
    return session.erase.left_blank(memory) &&
           !(memory == SLOT_DATA && session.settings.preserve_eeprom);
}

MemoryWriter::MemoryWriter(const IspSession& session, memory_slot written, const WritePolling& poll)
    : MemoryWriter(session.isp(), session.current_device(), written, session.waits, poll,
                   skips_erased_ff(session, written)) {}

MemoryWriter::MemoryWriter(programmer_t& isp, const DeviceInfo& device, memory_slot written,
                           const WriteWaits& waits, const WritePolling& poll, bool skip_erased_ff)
    : programmer(isp), memory(written), paged(written == SLOT_CODE && device.flash_page != 0),
      page_mask(device.flash_page != 0 ? device.flash_page - 1 : 0),
      time_ms(written == SLOT_DATA ? waits.eeprom_byte
              : paged              ? waits.flash_page
                                   : waits.flash_byte),
      polling(poll), skip_ff(skip_erased_ff) {
    page.extended_address = device.flash_size > extended_address_from;
    page.polling = polling;
    page.time_ms = time_ms;
}

void MemoryWriter::write(long address, std::uint8_t value) {
    if (paged) {
        load_page_byte(address, value);
    } else {
        write_byte(address, value);
    }
}

void MemoryWriter::write_byte(long address, std::uint8_t value) {
    if (skip_ff && value == 0xFF) {
        return;
    }
    if (!programmer.write_byte(memory, address, value, polling, time_ms)) {
        console_log(0, "Poll: can't write byte to %s at 0x%lX\n", memory_names[memory],
                    static_cast<unsigned long>(address));
        throw app_error(EXIT_CHIP_FAILED);
    }
}

void MemoryWriter::load_page_byte(long address, std::uint8_t value) {
    long& open = open_page;
    // A byte at or below the last one loaded (overlapping image portions)
    // starts a new page write: loading a page-buffer word twice is undefined.
    if (open != -1 && ((address | page_mask) != (open | page_mask) || address <= open)) {
        write_page(open);
        open = -1;
    }
    const bool skipped = skip_ff && value == 0xFF;
    if (address != open + 1) {
        if (open != -1 && (open & 1) == 0) {
            load(open + 1, 0xFF); // complete the word
            open += 1;
        }
        if (address & 1) {
            if (skipped) {
                return;
            }
            load(address - 1, 0xFF); // a word's low byte goes first
            open = address - 1;
        }
    }
    if (skipped) {
        return;
    }
    load(address, value);
    open = address;
}

void MemoryWriter::load(long address, std::uint8_t value) {
    if (polling.mode == POLL_MODE_DATA && polling.can_poll(value)) {
        page.poll_address = address;
        page.poll_value = value;
    }
    page.loads.push_back({address, value});
}

void MemoryWriter::write_page(long address) {
    if (address != -1 && (address & 1) == 0) {
        load(address + 1, 0xFF);
    }
    page.address = address;
    const bool done = programmer.write_page(page);
    page.loads.clear();
    if (!done) {
        console_log(0, "Poll: can't write page at 0x%lX\n",
                    static_cast<unsigned long>(address & ~page_mask));
        throw app_error(EXIT_CHIP_FAILED);
    }
    page.poll_address = -1;
}

void MemoryWriter::flush() {
    if (open_page != -1) {
        write_page(open_page);
        open_page = -1;
    }
}

} // namespace quarnel
