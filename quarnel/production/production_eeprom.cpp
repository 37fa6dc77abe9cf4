// EEPROM kept across a chip erase: the copy, its rescue file and its return.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/image/image_file.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/session.h"
#include "quarnel/production/production.h"

namespace quarnel {

void ProductionData::save_eeprom() {
    if (!session.settings.preserve_eeprom) {
        return;
    }
    if (session.device.detected_index == -1 && !settings.force) {
        console_log(0, "Can't save EEPROM in unknown chip\n");
        throw app_error(EXIT_WRONG_CHIP);
    }
    console_log(2, "Saving EEPROM\n");
    eeprom_copy.clear();
    read_memory(session, SLOT_DATA, eeprom_copy);
    eeprom_held = true;
}

void ProductionData::write_eeprom_copy(const char* line_end) {
    eeprom_held = false;
    FileSpec rescue;
    rescue.format = FILE_IHEX;
    rescue.name = "(eeprom).sav";
    // A file that cannot be written says so itself; "saved" is claimed only when it was.
    if (write_image_file(eeprom_copy, rescue,
                         settings.read_keep_ff ? ff_lines::keep : ff_lines::skip)) {
        console_log(0, "EEPROM content saved to HEX-file \"(eeprom).sav\"%s", line_end);
    }
}

void ProductionData::save_eeprom_to_file() {
    if (eeprom_held) {
        // The line is ended by the report of the failed run.
        write_eeprom_copy("");
    }
    throw app_error(EXIT_CHIP_FAILED);
}

void ProductionData::rescue_eeprom() {
    if (!eeprom_held) {
        return;
    }
    try {
        // The report of the failure that brought us here may end in a reason of its own.
        write_eeprom_copy("\n");
    } catch (const app_error&) {
        // The file could not be opened and said so; the first failure is the one to report.
    }
}

void ProductionData::restore_eeprom() {
    if (!eeprom_held) {
        return;
    }
    console_log(2, "Restoring EEPROM\n");
    program_memory(session, SLOT_DATA, eeprom_copy);
    eeprom_held = false;
    eeprom_copy.clear();
}

} // namespace quarnel
