// The serial number field in flash: its byte layout, its bounds and its read-back.
#pragma once

#include "dorvik/run_state.h"

#include <cstdint>

namespace dorvik {

// True when `length` bytes from state.serial_address lie inside the flash;
// otherwise prints why the field is refused.
bool serial_field_fits(std::uint32_t length);

// True when `value` can be written in state.serial_length bytes; otherwise
// prints why it is refused.
bool serial_value_fits(std::uint32_t value);

// Stores `value` in state.serial_length bytes from state.serial_address,
// least significant byte first; bytes past the fourth are 0.
void store_serial_value(Image& flash, std::uint32_t value);

// Stores the table code of serial number `number` (1 to 65536): low byte at
// state.serial_address, high byte after it.
void store_serial_code(Image& flash, std::uint32_t number);

// Reads state.serial_length bytes from state.serial_address of the chip's
// flash in the layout of store_serial_value; the result is also kept in
// state.serial_value.
std::uint32_t read_serial_number();

} // namespace dorvik
