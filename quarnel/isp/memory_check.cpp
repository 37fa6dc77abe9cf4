// Comparing the chip with an image and checking memories for blank (0xFF) contents.
#include "quarnel/isp/memory_operations.h"

#include "quarnel/common/console.h"
#include "quarnel/common/user_break.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/progress.h"
#include "quarnel/isp/session.h"

#include <algorithm>
#include <vector>

namespace quarnel {

namespace {

long memory_size(const IspSession& session, memory_slot memory) {
    return memory == SLOT_DATA ? session.current_device().eeprom_size : usable_flash_size(session);
}

// Reads the portion's bytes chunk by chunk; returns the number of differences.
long compare_portion(IspSession& session, const CodePortion& portion) {
    const long chunk = chunk_size(session.prog.memory);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    long mismatches = 0;
    for (long position = portion.start; position <= portion.last(); position += chunk) {
        const long count =
            static_cast<long>(std::min<std::int64_t>(chunk, portion.last() - position + 1));
        read_block(session, buffer.data(), position, count);
        for (long i = 0; i < count; ++i) {
            const std::uint8_t expected = portion.read(static_cast<std::int32_t>(position + i));
            if (buffer[i] != expected) {
                ++mismatches;
                console_log(3, "\t%% %08lX: expected %02X, read %02X\n",
                            static_cast<unsigned long>(position + i), expected, buffer[i]);
            }
        }
        progress_advance(session, count);
        poll_user_break();
    }
    return mismatches;
}

} // namespace

bool is_blank_range(IspSession& session, long first, long last) {
    console_log(3, "\n\t%% IsBlank from 0x%lX to 0x%lX\t", static_cast<unsigned long>(first),
                static_cast<unsigned long>(last));
    session.prog.load_buffer.clear();
    const long chunk = chunk_size(session.prog.memory);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    for (long position = first; position <= last; position += chunk) {
        const long count = std::min(chunk, last - position + 1);
        read_block(session, buffer.data(), position, count);
        if (!all_ff(buffer.data(), count)) {
            return false;
        }
        progress_advance(session, count);
        poll_user_break();
    }
    return true;
}

unsigned blank_check_memories(IspSession& session, unsigned which) {
    console_log(2, "Blank check\n");
    unsigned not_blank = 0;
    if (which & BLANK_CODE) {
        session.prog.open_page = -1;
        session.prog.memory = SLOT_CODE;
        console_log(2, "Code: ");
        progress_start(session);
        const bool blank = is_blank_range(session, 0, usable_flash_size(session) - 1);
        progress_done(session);
        if (blank) {
            console_log(2, "  blank\n");
        } else {
            console_log(0, "Code not blank\n");
            not_blank |= BLANK_CODE;
        }
    }
    if ((which & BLANK_DATA) && session.current_device().eeprom_size > 0) {
        session.prog.memory = SLOT_DATA;
        console_log(2, "Data: ");
        progress_start(session);
        const bool blank = is_blank_range(session, 0, session.current_device().eeprom_size - 1);
        progress_done(session);
        if (blank) {
            console_log(2, "  blank\n");
        } else {
            console_log(0, "Data not blank\n");
            not_blank |= BLANK_DATA;
        }
    }
    return not_blank;
}

bool verify_memory(IspSession& session, memory_slot memory, const PortionList& image) {
    ProgrammingState& state = session.prog;
    state.memory = memory;
    console_log(2, "Verifying %s\n", memory_names[memory]);
    progress_start(session);
    state.open_page = -1;
    long mismatches = 0;
    bool free_blank = true;
    long examined = 0;
    state.load_buffer.clear();
    const bool check_free =
        session.settings.verify_all || (memory == SLOT_DATA && session.settings.write_fill_eeprom);
    for (const CodePortion& portion : image) {
        if (check_free && examined < portion.start &&
            !is_blank_range(session, examined, portion.start - 1)) {
            free_blank = false;
        }
        console_log(3, "\n\t%% Verifying from 0x%lX to 0x%lX  ",
                    static_cast<unsigned long>(portion.start),
                    static_cast<unsigned long>(portion.last()));
        // A portion nested in an earlier one must not pull the position back.
        examined = std::max(examined, static_cast<long>(portion.last()) + 1);
        mismatches += compare_portion(session, portion);
    }
    const long size = memory_size(session, memory);
    if (check_free && examined <= size - 1 && !is_blank_range(session, examined, size - 1)) {
        free_blank = false;
    }
    if (mismatches != 0) {
        console_log(0, "failed, %ld error%c\n", mismatches, mismatches == 1 ? ' ' : 's');
    } else {
        console_log(2, " passed\n");
    }
    if (check_free) {
        if (free_blank) {
            console_log(2, " Free positions are %sblank\n", "");
        } else {
            console_log(0, " Free positions are %sblank\n", "NOT ");
        }
    }
    progress_done(session);
    return mismatches == 0 && free_blank;
}

} // namespace quarnel
