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
    ProgrammingState& state = session.prog;
    state.memory = memory;
    console_log(2, "Programming %s\n", memory_names[memory]);
    // The write set-up learns whether the erase kept the EEPROM: the fill depends on it.
    begin_memory_write(session, memory);
    const bool ff_fill = session.settings.write_fill_eeprom && memory == SLOT_DATA &&
                         !erased_blank(state, SLOT_DATA);
    progress_start(
        session, ff_fill ? std::max<long>(image.byte_count(), session.current_device().eeprom_size)
                         : image.byte_count());
    for (const CodePortion& portion : image) {
        if (ff_fill) {
            fill_ff_to(session, portion.start);
        }
        for (long address = portion.start; address <= portion.last(); ++address) {
            write_memory_byte(session, address, portion.read(static_cast<std::int32_t>(address)));
            poll_user_break();
            progress_advance(session, 1);
        }
        state.ff_fill_position =
            std::max(state.ff_fill_position, static_cast<long>(portion.start) + portion.length);
    }
    if (ff_fill) {
        fill_ff_to(session, session.current_device().eeprom_size);
    }
    if (memory == SLOT_CODE && state.paged) {
        flush_page(session);
    }
    progress_done(session);
}

void read_memory(IspSession& session, memory_slot memory, PortionList& image) {
    ProgrammingState& state = session.prog;
    state.memory = memory;
    const long size =
        memory == SLOT_DATA ? session.current_device().eeprom_size : usable_flash_size(session);
    console_log(2, "Reading %s\n", memory_names[memory]);
    progress_start(session, size);
    state.load_buffer.clear();
    state.open_page = -1;
    const long chunk = chunk_size(memory);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    for (long offset = 0; offset < size; offset += chunk) {
        const long count = std::min(chunk, size - offset);
        read_block(session, buffer.data(), offset, count);
        image.append(std::make_unique<CodePortion>(
            static_cast<std::int32_t>(offset), static_cast<std::int32_t>(count), buffer.data()));
        progress_advance(session, count);
        poll_user_break();
    }
    progress_done(session);
}

} // namespace quarnel
