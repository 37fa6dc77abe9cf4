// Programming an image into the chip and reading the chip into an image.
#include "quarnel/isp/memory_operations.h"

#include "quarnel/common/console.h"
#include "quarnel/common/user_break.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/memory_write.h"
#include "quarnel/isp/progress.h"
#include "quarnel/isp/session.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace quarnel {

void program_memory(IspSession& session, memory_slot memory, const PortionList& image) {
    console_log(2, "Programming %s\n", memory_names[memory]);
    // First: whether the erase kept the EEPROM decides the FF fill.
    MemoryWriter writer = begin_memory_write(session, memory);
    // Free EEPROM positions get 0xFF too, unless an erase left them so.
    const bool ff_fill = session.settings.write_fill_eeprom && memory == SLOT_DATA &&
                         !session.erase.left_blank(SLOT_DATA);
    progress_start(session.progress, memory,
                   ff_fill
                       ? std::max<long>(image.byte_count(), session.current_device().eeprom_size)
                       : image.byte_count());
    long ff_filled_to = 0;
    auto fill_ff_to = [&](long limit) {
        for (long address = ff_filled_to; address < limit; ++address) {
            writer.write(address, 0xFF);
            poll_user_break();
            progress_advance(session.progress, 1);
        }
        // Nested image portions end below the fill already done: never go back.
        ff_filled_to = std::max(ff_filled_to, limit);
    };
    // The earlier portion that reaches highest: bytes of later portions inside it are written
    // already (overlaps hold equal data), so they count as done without being written again.
    long written_first = 0;
    long written_last = -1;
    for (const CodePortion& portion : image) {
        if (ff_fill) {
            fill_ff_to(portion.start);
        }
        for (long address = portion.start; address <= portion.last(); ++address) {
            if (address < written_first || address > written_last) {
                writer.write(address, portion.read(static_cast<std::int32_t>(address)));
                poll_user_break();
            }
            progress_advance(session.progress, 1);
        }
        if (portion.last() > written_last) {
            written_first = portion.start;
            written_last = portion.last();
        }
        ff_filled_to = std::max(ff_filled_to, static_cast<long>(portion.start) + portion.length);
    }
    if (ff_fill) {
        fill_ff_to(session.current_device().eeprom_size);
    }
    writer.flush();
    progress_done(session.progress);
}

void read_memory(IspSession& session, memory_slot memory, PortionList& image) {
    const long size =
        memory == SLOT_DATA ? session.current_device().eeprom_size : usable_flash_size(session);
    console_log(2, "Reading %s\n", memory_names[memory]);
    progress_start(session.progress, memory, size);
    MemoryReader reader(session);
    const long chunk = chunk_size(memory);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    for (long offset = 0; offset < size; offset += chunk) {
        const long count = std::min(chunk, size - offset);
        reader.read(memory, buffer.data(), offset, count);
        image.append(std::make_unique<CodePortion>(
            static_cast<std::int32_t>(offset), static_cast<std::int32_t>(count), buffer.data()));
        progress_advance(session.progress, count);
        poll_user_break();
    }
    progress_done(session.progress);
}

} // namespace quarnel
