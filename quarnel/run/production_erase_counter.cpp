// The erase counter in the last two flash bytes: reading, settling and writing it.
#include "quarnel/devices/current_device.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/session.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/production.h"

#include <memory>

namespace {

constexpr std::uint16_t counter_unset = 0xFFFF;

long counter_address() {
    return current_device().flash_size - 2;
}

} // namespace

void ProductionData::prepare_erase_counter() {
    if (!options.erase_counter) {
        return;
    }
    std::uint16_t& count = options.erase_count;
    if (detected_index == -1 && !options.force) {
        console_log(0, "Can't read number of erases from unknown or locked chip\n");
        if (count == counter_unset) {
            count = 1;
        }
    } else {
        std::uint8_t bytes[2];
        // A fresh extended address byte for chips above 128 KB.
        session.prog.open_page = -1;
        read_flash_block(session, bytes, counter_address(), 2);
        const std::uint16_t stored = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
        if (stored == counter_unset) {
            console_log(1, "Number of erases not initialized\n");
        } else {
            console_log(2, "Read number of erases %u\n", static_cast<unsigned>(stored));
        }
        if (count == counter_unset) {
            count = stored == counter_unset ? 1 : static_cast<std::uint16_t>(stored + 1);
            return;
        }
    }
    if (options.erase || options.write) {
        console_log(2, "Number of erases forced to %u\n", static_cast<unsigned>(count));
    }
}

void ProductionData::write_erase_counter() {
    const std::uint16_t count = options.erase_count;
    if (count == counter_unset) {
        return;
    }
    if (detected_index == -1) {
        console_log(0, "Can't write number of erases%s\n", " to unknown chip");
        throw app_error(EXIT_WRONG_CHIP);
    }
    const long address = counter_address();
    if (flash.find_first([address](const CodePortion& p) { return p.last() >= address; })) {
        console_log(0, "Can't write number of erases%s\n", ", locations used for code");
        options.erase_counter = false;
        return;
    }
    prepare_timing(session.prog, current_device(), options.delay_factor);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(count),
                                   static_cast<std::uint8_t>(count >> 8)};
    PortionList counter;
    counter.append(std::make_unique<CodePortion>(static_cast<std::int32_t>(address), 2, bytes));
    console_log(2, "Writing erase counter = %d\n", static_cast<int>(count));
    program_memory(session, SLOT_CODE, counter);
    if (options.verify && !verify_memory(session, SLOT_CODE, counter)) {
        console_log(0, "Can't write number of erases%s\n", "");
        throw app_error(EXIT_CHIP_FAILED);
    }
}
