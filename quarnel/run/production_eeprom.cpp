// EEPROM kept across a chip erase: the copy, its rescue file and its return.
#include "quarnel/devices/current_device.h"
#include "quarnel/image/image_file.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/production.h"

void ProductionData::save_eeprom() {
    if (!options.preserve_eeprom) {
        return;
    }
    if (detected_index == -1 && !options.force) {
        console_log(0, "Can't save EEPROM in unknown chip\n");
        throw app_error(EXIT_WRONG_CHIP);
    }
    console_log(2, "Saving EEPROM\n");
    eeprom_copy.clear();
    read_memory(session, SLOT_DATA, eeprom_copy);
}

void ProductionData::save_eeprom_to_file() {
    if (options.preserve_eeprom) {
        // The line is ended by the report of the failed run.
        console_log(0, "EEPROM content saved to HEX-file \"(eeprom).sav\"");
        FileSpec rescue;
        rescue.format = FILE_IHEX;
        rescue.name = "(eeprom).sav";
        (void)write_image_file(eeprom_copy, rescue);
    }
    throw app_error(EXIT_CHIP_FAILED);
}

void ProductionData::restore_eeprom() {
    if (!options.preserve_eeprom) {
        return;
    }
    console_log(2, "Restoring EEPROM\n");
    program_memory(session, SLOT_DATA, eeprom_copy);
    eeprom_copy.clear();
}
