// Production data of a run: inserted serial numbers, calibration and fixed bytes,
// the erase counter, and the EEPROM kept across a chip erase.
#pragma once

#include "quarnel/common/memory_slot.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/production/insert_request.h"
#include "quarnel/production/production_serial.h"

#include <cstdint>
#include <optional>

namespace quarnel {

struct IspSession;

// What the production steps take from the command line.
struct ProductionSettings {
    bool write = false;
    bool verify = false;
    bool erase = false;
    bool force = false; // -!: an unknown chip is taken as the requested one
    std::optional<std::uint16_t> forced_erase_count; // -n=<count>
    float delay_factor = 1.0f;
    bool read_keep_ff = false; // -r+: "(eeprom).sav" keeps its lines of 0xFF
    InsertSpec osccal_insert;
    InsertSpec serno_insert;
    InsertSpec bytes_insert;
};

// The steps the run sequence calls, each when its option asks for it (every
// step checks its own option and does nothing otherwise). Failures print their
// message and raise the app_error family.
class ProductionData {
  public:
    // `flash` and `eeprom` are the run's images; all must outlive this object.
    // Whether the erase counter and the EEPROM copy are on comes from the
    // session's settings, which the ISP operations share.
    ProductionData(const ProductionSettings& run_settings, IspSession& run_session,
                   PortionList& flash_image, PortionList& eeprom_image)
        : settings(run_settings), session(run_session), flash(flash_image), eeprom(eeprom_image) {}

    // With write or verify: the OSCCAL, SERNO and BYTES inserts, in this order.
    void insert_production_data();

    // With erase_counter: reads the counter and settles the count to write.
    void prepare_erase_counter();
    // The count the erase step is to write, once settled.
    std::optional<std::uint16_t> settled_erase_count() const { return erase_count; }

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

    // At the end of the erase step, when a count is settled. When the counter's
    // place holds code, the counter is dropped for the rest of the run.
    void write_erase_counter();

    // Last step: a write run has used its serial number; the file has held the
    // next one since the insert.
    void update_serial_file();
    // Called before the first write to the memory `slot`: a serial number inserted there may
    // be on the chip from now on, so it is never given back.
    void serial_reaches_chip(memory_slot slot);
    // For a run that ended before its last step: a serial number the inserts
    // reserved goes back to the file when no later run took one and the chip
    // cannot hold it. Raises nothing.
    void return_serial_number();

  private:
    void insert_osccal();
    void insert_serno();
    // Writes the held copy to "(eeprom).sav"; `line_end` closes the message.
    void write_eeprom_copy(const char* line_end);

    const ProductionSettings& settings;
    IspSession& session;
    PortionList& flash;
    PortionList& eeprom;
    SerialNumberFile serial;
    PortionList eeprom_copy;
    bool eeprom_held = false; // taken from the chip and not yet written back
    std::optional<std::uint16_t> erase_count;
};

} // namespace quarnel
