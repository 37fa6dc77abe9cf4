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
#include <cstdint>
#include <vector>

namespace quarnel {

namespace {

long memory_size(const IspSession& session, memory_slot memory) {
    return memory == SLOT_DATA ? session.current_device().eeprom_size : usable_flash_size(session);
}

// Differences found by a verify: the first few shown after the count, and
// whether every one lacks bits the file sets and has none the file clears.
struct Mismatches {
    static constexpr std::size_t shown_max = 8;
    struct Difference {
        long address;
        std::uint8_t file;
        std::uint8_t chip;
    };
    long count = 0;
    std::vector<Difference> shown;
    bool only_bits_left_clear = true;

    void add(long address, std::uint8_t file, std::uint8_t chip) {
        ++count;
        if (shown.size() < shown_max) {
            shown.push_back({address, file, chip});
        }
        if ((chip & ~file) != 0) {
            only_bits_left_clear = false;
        }
    }

    void print(const IspSession& session, memory_slot memory) const {
        for (const Difference& d : shown) {
            console_log(0, "  0x%06lX: file %02X, chip %02X\n",
                        static_cast<unsigned long>(d.address), d.file, d.chip);
        }
        if (static_cast<std::size_t>(count) > shown.size()) {
            console_log(0, "  ...\n");
        }
        // Programming only clears flash bits: over old contents, a bit the file
        // sets stays clear. EEPROM cells are erased by each write.
        if (memory == SLOT_CODE && !session.erase.erased && only_bits_left_clear) {
            console_log(0, "CODE memory was not erased: programming cannot set bits the chip has "
                           "clear; -e erases it first\n");
        }
    }
};

// Reads the portion's bytes chunk by chunk and records the differences.
void compare_portion(IspSession& session, MemoryReader& reader, memory_slot memory,
                     const CodePortion& portion, Mismatches& mismatches) {
    const long chunk = chunk_size(memory);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    for (long position = portion.start; position <= portion.last(); position += chunk) {
        const long count =
            static_cast<long>(std::min<std::int64_t>(chunk, portion.last() - position + 1));
        reader.read(memory, buffer.data(), position, count);
        for (long i = 0; i < count; ++i) {
            const std::uint8_t expected = portion.read(static_cast<std::int32_t>(position + i));
            if (buffer[i] != expected) {
                mismatches.add(position + i, expected, buffer[i]);
                console_log(3, "\t%% %08lX: expected %02X, read %02X\n",
                            static_cast<unsigned long>(position + i), expected, buffer[i]);
            }
        }
        progress_advance(session.progress, count);
        poll_user_break();
    }
}

// True when every byte of `memory` from `first` to `last` is 0xFF.
bool is_blank_range(IspSession& session, MemoryReader& reader, memory_slot memory, long first,
                    long last) {
    console_log(3, "\n\t%% IsBlank from 0x%lX to 0x%lX\t", static_cast<unsigned long>(first),
                static_cast<unsigned long>(last));
    const long chunk = chunk_size(memory);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    for (long position = first; position <= last; position += chunk) {
        const long count = std::min(chunk, last - position + 1);
        reader.read(memory, buffer.data(), position, count);
        if (!all_ff(buffer.data(), count)) {
            return false;
        }
        progress_advance(session.progress, count);
        poll_user_break();
    }
    return true;
}

} // namespace

unsigned blank_check_memories(IspSession& session, unsigned which) {
    console_log(2, "Blank check\n");
    unsigned not_blank = 0;
    MemoryReader reader(session);
    if (which & BLANK_CODE) {
        console_log(2, "Code: ");
        progress_start(session.progress, SLOT_CODE, usable_flash_size(session));
        const bool blank =
            is_blank_range(session, reader, SLOT_CODE, 0, usable_flash_size(session) - 1);
        progress_done(session.progress);
        if (blank) {
            console_log(2, "  blank\n");
        } else {
            console_log(0, "Code not blank\n");
            not_blank |= BLANK_CODE;
        }
    }
    if ((which & BLANK_DATA) && session.current_device().eeprom_size > 0) {
        console_log(2, "Data: ");
        progress_start(session.progress, SLOT_DATA, session.current_device().eeprom_size);
        const bool blank =
            is_blank_range(session, reader, SLOT_DATA, 0, session.current_device().eeprom_size - 1);
        progress_done(session.progress);
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
    console_log(2, "Verifying %s\n", memory_names[memory]);
    const bool check_free =
        session.settings.verify_all || (memory == SLOT_DATA && session.settings.write_fill_eeprom);
    const long size = memory_size(session, memory);
    progress_start(session.progress, memory,
                   check_free ? std::max(image.byte_count(), size) : image.byte_count());
    MemoryReader reader(session);
    Mismatches mismatches;
    bool free_blank = true;
    long examined = 0;
    for (const CodePortion& portion : image) {
        if (check_free && examined < portion.start &&
            !is_blank_range(session, reader, memory, examined, portion.start - 1)) {
            free_blank = false;
        }
        console_log(3, "\n\t%% Verifying from 0x%lX to 0x%lX  ",
                    static_cast<unsigned long>(portion.start),
                    static_cast<unsigned long>(portion.last()));
        // A portion nested in an earlier one must not pull the position back.
        examined = std::max(examined, static_cast<long>(portion.last()) + 1);
        compare_portion(session, reader, memory, portion, mismatches);
    }
    if (check_free && examined <= size - 1 &&
        !is_blank_range(session, reader, memory, examined, size - 1)) {
        free_blank = false;
    }
    if (mismatches.count != 0) {
        console_log(0, "failed, %ld error%c\n", mismatches.count,
                    mismatches.count == 1 ? ' ' : 's');
        mismatches.print(session, memory);
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
    progress_done(session.progress);
    return mismatches.count == 0 && free_blank;
}

} // namespace quarnel
