// EEPROM kept across a chip erase: the copy, stored in "(eeprom).sav" before the erase, and its
// return; a copy a broken run left is restored first.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/memory_read.h"
#include "quarnel/isp/session.h"
#include "quarnel/production/production.h"

#include <algorithm>
#include <memory>

namespace quarnel {

namespace {

[[noreturn]] void refuse(const char* message, int status) {
    console_log(0, message, rescue_file_name);
    throw app_error(status);
}

constexpr const char* what_to_do =
    "Write it back with -w -d \"%s\" if it is this chip's, or move it away\n";

// True when the chip holds what a run restoring `copy` would have left at some moment: the
// copy up to some address, erased bytes from there on.
bool restore_in_progress(const std::vector<std::uint8_t>& chip,
                         const std::vector<std::uint8_t>& copy) {
    const auto differ = std::mismatch(chip.begin(), chip.end(), copy.begin()).first;
    return std::all_of(differ, chip.end(), [](std::uint8_t byte) { return byte == 0xFF; });
}

} // namespace

RescueCopy ProductionData::this_chip() const {
    RescueCopy marks;
    marks.signature = session.current_device().signature;
    const int count = session.current_device().osccal_count;
    marks.calibration.assign(session.calibration, session.calibration + std::min(count, 4));
    return marks;
}

bool ProductionData::rescue_file_used() const {
    return settings.erase && session.settings.preserve_eeprom &&
           session.current_device().eeprom_size > 0;
}

void ProductionData::find_rescue_copy() {
    if (!rescue_file_used()) {
        return;
    }
    RescueCopy found;
    switch (read_rescue_file(found, session.current_device().eeprom_size)) {
    case rescue_file_state::absent:
        return;
    case rescue_file_state::not_a_file:
        refuse("\"%s\" is not a regular file, can't keep the EEPROM copy there\n",
               EXIT_ENVIRONMENT);
    case rescue_file_state::unmarked:
        console_log(0, "\"%s\" holds an EEPROM copy of unknown origin; the chip was not changed\n",
                    rescue_file_name);
        refuse(what_to_do, EXIT_ENVIRONMENT);
    case rescue_file_state::found:
        break;
    }
    if (!found.same_chip(this_chip())) {
        console_log(0, "\"%s\" holds the EEPROM copy of another chip; this chip was not changed\n",
                    rescue_file_name);
        refuse("Put that chip back to restore it, or move \"%s\" away\n", EXIT_WRONG_CHIP);
    }
    console_log(1, "EEPROM copy of a broken run found in \"%s\"\n", rescue_file_name);
    broken_run = std::move(found);
}

std::optional<std::uint16_t> ProductionData::broken_run_erase_count() const {
    return broken_run ? broken_run->erase_count : std::nullopt;
}

void ProductionData::save_eeprom() {
    if (!session.settings.preserve_eeprom) {
        return;
    }
    if (session.device.detected_index == -1 && !settings.force) {
        console_log(0, "Can't save EEPROM in unknown chip\n");
        throw app_error(EXIT_WRONG_CHIP);
    }
    if (!broken_run) {
        console_log(2, "Saving EEPROM\n");
    }
    eeprom_copy.clear();
    read_memory(session, SLOT_DATA, eeprom_copy);
    if (!rescue_file_used()) {
        eeprom_held = true;
        return;
    }
    RescueCopy copy = this_chip();
    copy.eeprom.assign(static_cast<std::size_t>(session.current_device().eeprom_size), 0xFF);
    for (const CodePortion& portion : eeprom_copy) {
        std::copy(portion.bytes(), portion.bytes() + portion.length,
                  copy.eeprom.begin() + portion.start);
    }
    if (broken_run) {
        // The chip's EEPROM may be half restored: the file's copy is the one to keep.
        if (!restore_in_progress(copy.eeprom, broken_run->eeprom)) {
            console_log(0, "EEPROM differs from the copy in \"%s\"; the chip was not changed\n",
                        rescue_file_name);
            refuse(what_to_do, EXIT_WRONG_CHIP);
        }
        copy.eeprom = broken_run->eeprom;
        eeprom_copy.clear();
        eeprom_copy.append(std::make_unique<CodePortion>(
            0, static_cast<std::int32_t>(copy.eeprom.size()), copy.eeprom.data()));
    }
    copy.erase_count = erase_count ? erase_count : broken_run_erase_count();
    if (!store_rescue_file(copy, settings.read_keep_ff ? ff_lines::keep : ff_lines::skip)) {
        throw app_error(EXIT_ENVIRONMENT);
    }
    rescue = std::move(copy.eeprom);
    eeprom_held = true;
}

void ProductionData::save_eeprom_to_file() {
    if (eeprom_held) {
        // The line is ended by the report of the failed run.
        console_log(0, "EEPROM content saved to HEX-file \"%s\"", rescue_file_name);
        eeprom_held = false; // said once
    }
    throw app_error(EXIT_CHIP_FAILED);
}

void ProductionData::rescue_eeprom() {
    // The copy is on disk since before the erase; the report of the failure that brought us
    // here may end in a reason of its own.
    if (eeprom_held && rescue_file_used()) {
        console_log(0, "EEPROM content saved to HEX-file \"%s\"\n", rescue_file_name);
    }
}

void ProductionData::restore_eeprom() {
    if (!eeprom_held) {
        return;
    }
    console_log(2, "Restoring EEPROM\n");
    program_memory(session, SLOT_DATA, eeprom_copy);
    if (rescue_file_used()) {
        // The file goes only once the chip is known to hold the copy again.
        std::vector<std::uint8_t> chip(rescue.size());
        const long chunk = chunk_size(SLOT_DATA);
        MemoryReader reader(session);
        for (long at = 0; at < static_cast<long>(chip.size()); at += chunk) {
            reader.read(SLOT_DATA, chip.data() + at, at,
                        std::min(chunk, static_cast<long>(chip.size()) - at));
        }
        if (chip != rescue) {
            console_log(0, "EEPROM not restored\n");
            throw app_error(EXIT_CHIP_FAILED);
        }
        remove_rescue_file();
    }
    eeprom_held = false;
    eeprom_copy.clear();
}

} // namespace quarnel
