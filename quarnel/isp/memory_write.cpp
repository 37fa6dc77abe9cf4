// Writing flash and EEPROM: byte writes, page loads and writes, end-of-write waits.
#include "quarnel/isp/memory_write.h"

#include "quarnel/adapters/os_timer.h"
#include "quarnel/adapters/spi.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/user_break.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/isp/fuse_operations.h"
#include "quarnel/isp/instruction.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/progress.h"
#include "quarnel/isp/session.h"

#include <algorithm>
#include <vector>

namespace quarnel {

namespace {

bool is_no_poll(const ProgrammingState& state, std::uint8_t value) {
    return value == state.no_poll[0] || value == state.no_poll[1];
}

// After an erase a 0xFF byte is already there, except in EEPROM that the erase
// kept (EESAVE) and in EEPROM saved for restoring, which is written back whole.
bool skip_erased_ff(const IspSession& session, std::uint8_t value) {
    const ProgrammingState& state = session.prog;
    return value == 0xFF && erased_blank(state, state.memory) &&
           !(state.memory == SLOT_DATA && session.settings.preserve_eeprom);
}

void load_byte(ProgrammingState& state, long address, std::uint8_t value) {
    if (state.poll == POLL_MODE_DATA && !is_no_poll(state, value)) {
        state.poll_address = address;
        state.poll_value = value;
    }
    const Instruction load = write_instruction(SLOT_CODE, address, value);
    state.load_buffer.insert(state.load_buffer.end(), load.begin(), load.end());
}

// Sends the page's loads, whose replies nobody reads, then the page write, whose echo is
// checked. A packet-based adapter takes both in one exchange and returns only the page
// write's reply; the chip sees the same bytes.
void send_page(spi_t& spi, const std::vector<std::uint8_t>& loads, const Instruction& page_write) {
    Instruction reply{};
    spi.send_then_transfer(loads.data(), static_cast<int>(loads.size()), page_write.data(),
                           reply.data(), static_cast<int>(reply.size()));
    check_echo(page_write, reply);
}

void select_poll_mode(IspSession& session, memory_slot memory) {
    ProgrammingState& state = session.prog;
    const DeviceInfo& device = session.current_device();
    const int code = memory == SLOT_CODE ? device.flash_poll : device.eeprom_poll;
    state.poll_address = -1;
    switch (code) {
    case POLL_DATA_FF00:
        state.poll = POLL_MODE_DATA;
        state.no_poll[0] = 0xFF;
        state.no_poll[1] = 0x00;
        break;
    case POLL_DATA_807F:
        state.poll = POLL_MODE_DATA;
        state.no_poll[0] = 0x80;
        state.no_poll[1] = 0x7F;
        break;
    case POLL_DATA_7F:
        state.poll = POLL_MODE_DATA;
        state.no_poll[0] = state.no_poll[1] = 0x7F;
        break;
    case POLL_DATA_FF:
        state.poll = POLL_MODE_DATA;
        state.no_poll[0] = state.no_poll[1] = 0xFF;
        break;
    case POLL_RDY_BSY:
        state.poll = POLL_MODE_READY;
        break;
    default:
        state.poll = POLL_MODE_TIMED;
        console_log(1, "Warning: can't use write polling for %s of %s\n", memory_names[memory],
                    current_device_name(session));
        break;
    }
}

} // namespace

void begin_memory_write(IspSession& session, memory_slot memory) {
    ProgrammingState& state = session.prog;
    state.load_buffer.clear();
    if (memory == SLOT_DATA && state.erased) {
        state.eeprom_kept = eesave_programmed(session);
    }
    if (session.settings.write_poll) {
        select_poll_mode(session, memory);
    }
    state.open_page = -1;
    state.ff_fill_position = 0;
}

void write_memory_byte(IspSession& session, long address, std::uint8_t value) {
    session.prog.writers[session.prog.memory](session, address, value);
}

void program_byte(IspSession& session, long address, std::uint8_t value) {
    ProgrammingState& state = session.prog;
    if (skip_erased_ff(session, value)) {
        return;
    }
    if (state.poll == POLL_MODE_DATA && !is_no_poll(state, value)) {
        state.poll_address = address;
        state.poll_value = value;
    }
    exchange_checked(session.spi(), write_instruction(state.memory, address, value));
    const float time = state.memory == SLOT_CODE ? state.flash_byte_time : state.eeprom_time;
    if (!wait_write_done(session, address, value, time)) {
        console_log(0, "Poll: can't write byte to %s at 0x%lX\n", memory_names[state.memory],
                    static_cast<unsigned long>(address));
        throw app_error(EXIT_CHIP_FAILED);
    }
}

void load_page_byte(IspSession& session, long address, std::uint8_t value) {
    ProgrammingState& state = session.prog;
    long& open = state.open_page;
    // A byte at or below the last one loaded (overlapping image portions)
    // starts a new page write: loading a page-buffer word twice is undefined.
    if (open != -1 &&
        ((address | state.page_mask) != (open | state.page_mask) || address <= open)) {
        write_page(session, open);
        open = -1;
    }
    if (address != open + 1) {
        if (open != -1 && (open & 1) == 0) {
            load_byte(state, open + 1, 0xFF); // complete the word
            open += 1;
        }
        if (address & 1) {
            if (skip_erased_ff(session, value)) {
                return;
            }
            load_byte(state, address - 1, 0xFF); // a word's low byte goes first
            open = address - 1;
        }
    }
    if (skip_erased_ff(session, value)) {
        return;
    }
    load_byte(state, address, value);
    open = address;
}

void write_page(IspSession& session, long address) {
    ProgrammingState& state = session.prog;
    spi_t& spi = session.spi();
    if (address != -1 && (address & 1) == 0) {
        load_byte(state, address + 1, 0xFF);
    }
    if (session.current_device().flash_size > 0x20000) {
        const Instruction extended = extended_address_instruction(address);
        state.load_buffer.insert(state.load_buffer.end(), extended.begin(), extended.end());
    }
    send_page(spi, state.load_buffer, page_write_instruction(address));
    state.load_buffer.clear();
    if (!wait_write_done(session, state.poll_address, state.poll_value, state.page_time)) {
        console_log(0, "Poll: can't write page at 0x%lX\n",
                    static_cast<unsigned long>(address & ~state.page_mask));
        throw app_error(EXIT_CHIP_FAILED);
    }
    state.poll_address = -1;
}

void flush_page(IspSession& session) {
    if (session.prog.open_page != -1) {
        write_page(session, session.prog.open_page);
        session.prog.open_page = -1;
    }
}

bool wait_write_done(IspSession& session, long address, std::uint8_t value, float time_ms) {
    ProgrammingState& state = session.prog;
    spi_t& spi = session.spi();
    if (state.poll == POLL_MODE_TIMED ||
        (state.poll == POLL_MODE_DATA && (address == -1 || is_no_poll(state, value)))) {
        spi.delay_ms(time_ms);
        return true;
    }
    auto finished = [&] {
        if (state.poll == POLL_MODE_DATA) {
            return read_memory_byte(session, address) == value;
        }
        return (exchange_checked(spi, poll_ready_instruction)[3] & 0x01) == 0;
    };
    os_timer_t timeout;
    timeout.set_delay(4.0f * time_ms);
    // The last poll starts after the time-out: a host that was held up between two polls
    // (a busy machine, a slow USB round trip) must not fail a write the chip has finished.
    for (;;) {
        const bool late = timeout.expired();
        if (finished()) {
            return true;
        }
        if (late) {
            return false;
        }
    }
}

void fill_ff_to(IspSession& session, long limit) {
    ProgrammingState& state = session.prog;
    for (long address = state.ff_fill_position; address < limit; ++address) {
        write_memory_byte(session, address, 0xFF);
        poll_user_break();
        progress_advance(session, 1);
    }
    // Nested image portions end below the fill already done: never go back.
    state.ff_fill_position = std::max(state.ff_fill_position, limit);
}

} // namespace quarnel
