// Production data of a run: inserted serial numbers, calibration and fixed bytes,
// the erase counter, and the EEPROM kept across a chip erase.
#pragma once

#include "quarnel/image/portion_list.h"
#include "quarnel/run/production_serial.h"

struct IspSession;

// The steps the run sequence calls, each when its option asks for it (every
// step checks its own option and does nothing otherwise). Failures print their
// message and raise the app_error family.
class ProductionData {
  public:
    // `flash` and `eeprom` are the run's images; all must outlive this object.
    ProductionData(IspSession& session, PortionList& flash, PortionList& eeprom)
        : session(session), flash(flash), eeprom(eeprom) {}

    // With write or verify: the OSCCAL, SERNO and BYTES inserts, in this order.
    void insert_production_data();

    // With erase_counter: reads the counter and settles options.erase_count.
    void prepare_erase_counter();

    // With preserve_eeprom: the EEPROM copy taken before the erase.
    void save_eeprom();
    // For a blank check that failed after the erase: with preserve_eeprom the
    // copy goes to "(eeprom).sav" in the current directory; then the run ends
    // with status 10.
    [[noreturn]] void save_eeprom_to_file();
    // For any other failure between the copy and its return: the chip may have lost
    // its EEPROM, so a copy still held goes to "(eeprom).sav" as well. Raises nothing.
    void rescue_eeprom();
    // Programs the copy back and discards it.
    void restore_eeprom();

    // At the end of the erase step, when options.erase_count is not 0xFFFF.
    void write_erase_counter();

    // Last step: after a write run the serial-number file holds the next number;
    // otherwise it is only closed.
    void update_serial_file();

  private:
    void insert_osccal();
    void insert_serno();
    // Writes the held copy to "(eeprom).sav"; `line_end` closes the message.
    void write_eeprom_copy(const char* line_end);

    IspSession& session;
    PortionList& flash;
    PortionList& eeprom;
    SerialNumberFile serial;
    PortionList eeprom_copy;
    bool eeprom_held = false; // taken from the chip and not yet written back
};
