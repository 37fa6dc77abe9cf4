// The erase counter in the last two flash bytes: reading, settling and writing it.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/session.h"
#include "quarnel/production/production.h"

#include <memory>

namespace quarnel {

namespace {

constexpr std::uint16_t counter_unset = 0xFFFF;

long counter_address(const IspSession& session) {
    return session.current_device().flash_size - 2;
}

} // namespace

void ProductionData::prepare_erase_counter() {
    erase_count = settings.forced_erase_count;
    if (!session.settings.erase_counter) {
        return;
    }
    std::optional<std::uint16_t>& count = erase_count;
    if (session.device.detected_index == -1 && !settings.force) {
        console_log(0, "Can't read number of erases from unknown or locked chip\n");
        if (!count) {
            count = 1;
        }
    } else {
        std::uint8_t bytes[2];
        // A reader of its own: a fresh extended address byte for chips above 128 KB.
        MemoryReader(session).read(SLOT_CODE, bytes, counter_address(session), 2);
        std::uint16_t stored = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
        if (stored == counter_unset && broken_run_erase_count()) {
            // The broken run erased the chip (or was about to): its count stands.
            stored = *broken_run_erase_count();
            console_log(2, "Number of erases %u kept in \"%s\"\n", static_cast<unsigned>(stored),
                        rescue_file_name);
        } else if (stored == counter_unset) {
            console_log(1, "Number of erases not initialized\n");
        } else {
            console_log(2, "Read number of erases %u\n", static_cast<unsigned>(stored));
        }
        if (!count) {
            // After 65534 the count would be the blank value: nothing is written
            // and counting starts again.
            const std::uint16_t next =
                stored == counter_unset ? 1 : static_cast<std::uint16_t>(stored + 1);
            if (next != counter_unset) {
                count = next;
            }
            return;
        }
    }
    if (settings.erase || settings.write) {
        console_log(2, "Number of erases forced to %u\n", static_cast<unsigned>(*count));
    }
}

void ProductionData::write_erase_counter() {
    if (!erase_count) {
        return;
    }
    const std::uint16_t count = *erase_count;
    if (session.device.detected_index == -1) {
        console_log(0, "Can't write number of erases%s\n", " to unknown chip");
        throw app_error(EXIT_WRONG_CHIP);
    }
    const long address = counter_address(session);
    if (flash.find_first([address](const CodePortion& p) { return p.last() >= address; })) {
        console_log(0, "Can't write number of erases%s\n", ", locations used for code");
        session.settings.erase_counter = false;
        return;
    }
    session.waits = write_waits(session.current_device(), settings.delay_factor);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(count),
                                   static_cast<std::uint8_t>(count >> 8)};
    PortionList counter;
    counter.append(std::make_unique<CodePortion>(static_cast<std::int32_t>(address), 2, bytes));
    console_log(2, "Writing erase counter = %d\n", static_cast<int>(count));
    program_memory(session, SLOT_CODE, counter);
    if (settings.verify && !verify_memory(session, SLOT_CODE, counter)) {
        console_log(0, "Can't write number of erases%s\n", "");
        throw app_error(EXIT_CHIP_FAILED);
    }
}

} // namespace quarnel
