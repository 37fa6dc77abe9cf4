// "(eeprom).sav": the EEPROM copy of a run that erases, kept on disk until the chip has it back.
#pragma once

#include "quarnel/image/hex_writer.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quarnel {

inline constexpr const char* rescue_file_name = "(eeprom).sav";

// The copy and what ties it to its chip. The file is Intel HEX as every reader knows it; after
// its end record, where readers stop, one comment line holds the chip's signature, its
// calibration bytes (which differ from chip to chip) and the erase count the run was to
// write, so that a broken run neither loses the EEPROM nor resets the count.
struct RescueCopy {
    std::vector<std::uint8_t> eeprom; // the whole EEPROM
    std::uint32_t signature = 0;
    std::vector<std::uint8_t> calibration;
    std::optional<std::uint16_t> erase_count;

    bool same_chip(const RescueCopy& other) const {
        return signature == other.signature && calibration == other.calibration;
    }
};

enum class rescue_file_state {
    absent,
    found,      // a copy with its chip's marks
    unmarked,   // Intel HEX without the marks: a copy of unknown origin
    not_a_file, // a folder, pipe or device stands at that name
};

// Reads the file of the current directory into `copy` (its EEPROM `eeprom_size` bytes, 0xFF
// where the file has no data). A damaged HEX file ends the run as any bad input file does.
rescue_file_state read_rescue_file(RescueCopy& copy, long eeprom_size);

// Stores the copy whole and synced in place of any older file; false when it could not,
// after saying so.
bool store_rescue_file(const RescueCopy& copy, ff_lines ff);

// Removes the file once the chip holds the copy again.
void remove_rescue_file();

} // namespace quarnel
