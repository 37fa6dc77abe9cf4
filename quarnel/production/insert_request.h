// A request to place production data (OSCCAL, SERNO or BYTES) into an image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarnel {

enum insert_mode : int { INSERT_NONE = 0, INSERT_CODE = 1, INSERT_LDI = 2, INSERT_DATA = 3 };

struct InsertSpec {
    insert_mode mode = INSERT_NONE;
    unsigned count = 0;              // calibration index, or byte count
    long address = -1;               // -1: absent
    int osccal_correction = 0;       // OSCCAL value
    std::string serno_file;          // SERNO value
    std::vector<std::uint8_t> bytes; // BYTES value
};

} // namespace quarnel
