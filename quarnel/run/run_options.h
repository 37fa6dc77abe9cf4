// Everything the command line of a run sets; filled once by the parser, then read only.
#pragma once

#include "quarnel/common/memory_slot.h"
#include "quarnel/image/named_file.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/production/insert_request.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quarnel {

// Lock level of -l; none when the switch is absent.
enum class lock_request { none = 0, level1 = 1, level2 = 2 };

// The implicit copy of the files array makes clang-tidy see a reserved loop name.
struct RunOptions { // NOLINT(bugprone-reserved-identifier)
    std::optional<std::string> requested_name;
    FileSpec files[2]; // SLOT_CODE, SLOT_DATA
    bool single_file = true;
    std::optional<std::string> adapter_spec;
    std::optional<std::string> port_spec;
    std::optional<std::string> fuse_list;
    lock_request lock_level = lock_request::none;
    bool lock_before_fuses = false;
    bool write = false;
    bool write_fill_eeprom = false;
    bool write_poll = false;
    bool verify = false;
    bool verify_all = false;
    bool read = false;
    bool read_keep_ff = false;
    bool erase = false;
    bool preserve_eeprom = false;
    unsigned blank_check = BLANK_NONE; // blank_memories bits
    bool erase_counter = false;
    std::optional<std::uint16_t> erase_count; // forced with -n=<count>
    bool force = false;
    bool wait_key = false;
    bool wait_key_early = false;
    float delay_factor = 1.0f;
    unsigned osc_hz = 800000; // 0: the adapter generates the target clock
    bool sck_given = false;
    unsigned sck_divider = 1;
    float inactive_reset_ms = 2.0f;
    bool lazy = false;
    bool power_from_data = false;
    bool file_fuses = false; // --file-fuses: the fuse bytes of the ELF file are written
    bool file_lock = false;  // --file-lock: its lock byte is written
    InsertSpec osccal_insert;
    InsertSpec serno_insert;
    InsertSpec bytes_insert;
    // The production line's long options.
    std::optional<std::string> log_target;      // --log=FILE: where the run's record goes
    std::optional<std::string> gang_file;       // --gang=FILE: the sites, one a line
    std::optional<std::string> site_name;       // --site=NAME: the site of the record
    bool repeat = false;                        // --repeat: chip after chip
    std::optional<std::string> serial_database; // --serial-db=URI: SERNO counters there

    FileSpec& code_file() { return files[SLOT_CODE]; }
    FileSpec& data_file() { return files[SLOT_DATA]; }
    const FileSpec& code_file() const { return files[SLOT_CODE]; }
    const FileSpec& data_file() const { return files[SLOT_DATA]; }
};

} // namespace quarnel
