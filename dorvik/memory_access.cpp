// Flash and EEPROM byte instructions.
#include "dorvik/memory_access.h"

#include "dorvik/isp_driver.h"

namespace dorvik {
namespace {
std::uint8_t byte_of(std::uint32_t value, unsigned shift) {
    return static_cast<std::uint8_t>((value >> shift) & 0xFF);
}
} // namespace

std::uint8_t read_flash_byte(std::uint32_t address) {
    const std::uint8_t code = (address & 1) ? 0x28 : 0x20;
    return isp_command(code, byte_of(address, 9), byte_of(address, 1), 0x00);
}

std::uint8_t read_eeprom_byte(std::uint32_t address) {
    return isp_command(0xA0, byte_of(address, 8), byte_of(address, 0), 0x00);
}

void write_eeprom_byte(std::uint32_t address, std::uint8_t value) {
    isp_command(0xC0, byte_of(address, 8), byte_of(address, 0), value);
}

} // namespace dorvik
