// Serial number bytes in the flash image and on the chip.
#include "dorvik/serial_number.h"

#include "dorvik/memory_access.h"
#include "dorvik/serial_code_table.h"

#include <cstdio>

namespace dorvik {
namespace {
// A serial number is a 32-bit value; longer fields are padded with zeros.
constexpr std::int32_t VALUE_BYTES = 4;
} // namespace

bool serial_field_fits(std::uint32_t length) {
    if (std::uint64_t{state.serial_address} + length <= state.flash_size) {
        return true;
    }
    std::printf("  Error: serial number of %u bytes at address %u lies outside the %u bytes of "
                "flash.\n",
                length, state.serial_address, state.flash_size);
    return false;
}

bool serial_value_fits(std::uint32_t value) {
    if (state.serial_length >= VALUE_BYTES ||
        (std::uint64_t{value} >> (8 * state.serial_length)) == 0) {
        return true;
    }
    std::printf("  Error: serial number %u does not fit in %d bytes.\n", value,
                state.serial_length);
    return false;
}

void store_serial_value(Image& flash, std::uint32_t value) {
    for (std::int32_t i = 0; i < state.serial_length; ++i) {
        flash[state.serial_address + i] =
            i < VALUE_BYTES ? static_cast<std::uint8_t>(value >> (8 * i)) : 0x00;
    }
}

void store_serial_code(Image& flash, std::uint32_t number) {
    const std::uint16_t code = serial_code_lookup(static_cast<std::uint16_t>(number - 1));
    flash[state.serial_address] = static_cast<std::uint8_t>(code & 0xFF);
    flash[state.serial_address + 1] = static_cast<std::uint8_t>(code >> 8);
}

std::uint32_t read_serial_number() {
    std::uint32_t value = 0;
    for (std::int32_t i = 0; i < state.serial_length && i < VALUE_BYTES; ++i) {
        const std::uint32_t address = (state.serial_address + i) & 0xFFFFFF;
        value |= std::uint32_t{read_flash_byte(address)} << (8 * i);
    }
    state.serial_value = value;
    return value;
}

} // namespace dorvik
