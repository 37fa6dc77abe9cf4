// Production data of a run: inserted serial numbers, calibration and fixed bytes,
// the erase counter, and the EEPROM kept across a chip erase.
#pragma once

#include "quarnel/common/memory_slot.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/production/eeprom_rescue_file.h"
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
    std::optional<std::string> serial_database; // --serial-db: SERNO names a counter there
};

// Where the settings keep the serial numbers: the file the SERNO insert names, or the
// database counter of that name.
std::unique_ptr<SerialNumberStore> serial_number_store(const ProductionSettings& settings);

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
        : settings(run_settings), session(run_session), flash(flash_image), eeprom(eeprom_image),
          serial(serial_number_store(run_settings)) {}

    // With write or verify: the OSCCAL, SERNO and BYTES inserts, in this order.
    void insert_production_data();

    // With erase and preserve_eeprom, before the erase counter is read: a copy a broken run
    // left in "(eeprom).sav" is taken up when it is this chip's; one of another chip, or of
    // unknown origin, ends the run before the chip is changed.
    void find_rescue_copy();

    // With erase_counter: reads the counter and settles the count to write; a counter the
    // broken run's erase left blank continues from the count its copy holds.
    void prepare_erase_counter();
    // The count the erase step is to write, once settled.
    std::optional<std::uint16_t> settled_erase_count() const { return erase_count; }

    // With preserve_eeprom: the EEPROM copy taken before the erase, stored whole in
    // "(eeprom).sav" (with the count to write) before the chip is changed; a run that
    // cannot store it ends (70). With a broken run's copy, the chip's EEPROM must be that
    // copy, or part of it restored (else 30), and the file's copy is the one kept.
    void save_eeprom();
    // For a blank check that failed after the erase: with preserve_eeprom the copy stays
    // in "(eeprom).sav" and says so; then the run ends with status 10.
    [[noreturn]] void save_eeprom_to_file();
    // For any other failure between the copy and its return: the copy stays in
    // "(eeprom).sav" and says so. Raises nothing.
    void rescue_eeprom();
    // Programs the copy back; once the chip is read back holding it, "(eeprom).sav" goes.
    void restore_eeprom();

    // Right after the erase, when a count is settled. When the counter's place holds
    // code, the counter is dropped for the rest of the run.
    void write_erase_counter();

    // Last step: a write run has used its serial number, which is never given back now; the
    // file has held the next one since the insert.
    void keep_used_serial();
    // Called before the first write to the memory `slot`: a serial number inserted there may
    // be on the chip from now on, so it is never given back.
    void serial_reaches_chip(memory_slot slot);
    // For a run that ended before its last step: a serial number the inserts
    // reserved goes back to the file when no later run took one and the chip
    // cannot hold it. Raises nothing.
    void return_serial_number();
    // The serial number the chip holds from this run (see SerialNumber::number_used).
    std::optional<std::uint32_t> kept_serial_number() const {
        return serial.number_used() ? std::optional<std::uint32_t>(serial.number()) : std::nullopt;
    }

  private:
    void insert_osccal();
    void insert_serno();
    bool rescue_file_used() const;
    // This chip's marks for a rescue copy.
    RescueCopy this_chip() const;
    std::optional<std::uint16_t> broken_run_erase_count() const;

    const ProductionSettings& settings;
    IspSession& session;
    PortionList& flash;
    PortionList& eeprom;
    SerialNumber serial;
    PortionList eeprom_copy;
    bool eeprom_held = false;             // taken from the chip and not yet written back
    std::optional<RescueCopy> broken_run; // the copy a broken run left for this chip
    std::vector<std::uint8_t> rescue;     // the bytes stored in "(eeprom).sav"
    std::optional<std::uint16_t> erase_count;
};

} // namespace quarnel
