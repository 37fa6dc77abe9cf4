// Everything the command line of a run sets; filled once, read by every step.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum file_format : int { FILE_IHEX = 0, FILE_BIN = 1 };

struct FileSpec {
    file_format format = FILE_IHEX;
    std::optional<std::string> name;
};

enum insert_mode : int { INSERT_NONE = 0, INSERT_CODE = 1, INSERT_LDI = 2, INSERT_DATA = 3 };

// Production data to place into an image (OSCCAL, SERNO or BYTES).
struct InsertSpec {
    insert_mode mode = INSERT_NONE;
    unsigned count = 0;                // calibration index, or byte count
    long address = -1;                 // -1: absent
    int osccal_correction = 0;         // OSCCAL value
    std::string serno_file;            // SERNO value
    std::vector<std::uint8_t> bytes;   // BYTES value
};

enum memory_slot : int { SLOT_CODE = 0, SLOT_DATA = 1 };

// Names of the two memories in messages, by slot.
inline constexpr const char* memory_names[2] = {"CODE memory", "DATA memory"};

struct RunOptions {
    std::optional<std::string> requested_name;
    FileSpec files[2]; // SLOT_CODE, SLOT_DATA
    bool single_file = true;
    std::optional<std::string> adapter_spec;
    std::optional<std::string> port_spec;
    std::optional<std::string> fuse_list;
    char lock_level = 0; // 0: none, else '1' or '2'
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
    unsigned blank_check = 0; // 1 flash, 2 EEPROM
    bool erase_counter = false;
    std::uint16_t erase_count = 0xFFFF; // 0xFFFF: not forced
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
    InsertSpec osccal_insert;
    InsertSpec serno_insert;
    InsertSpec bytes_insert;

    FileSpec& code_file() { return files[SLOT_CODE]; }
    FileSpec& data_file() { return files[SLOT_DATA]; }
    const FileSpec& code_file() const { return files[SLOT_CODE]; }
    const FileSpec& data_file() const { return files[SLOT_DATA]; }
};

// The program-wide options of the current run.
extern RunOptions options;
