// Four-byte ISP instructions: the echo test and the builders for memory access.
#include "quarnel/isp/instruction.h"
#include "quarnel/isp/isp_opcodes.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

void raise_sync_lost() {
    console_log(0, "\nSynchronisation lost\n");
    throw app_error(EXIT_SYNC_LOST);
}

void check_echo(const Instruction& command, const Instruction& reply) {
    if (reply[1] != command[0]) {
        raise_sync_lost();
    }
}

namespace {

// Flash takes word addresses, EEPROM byte addresses.
Instruction addressed(std::uint8_t opcode, long word_or_byte, std::uint8_t last) {
    return {opcode, std::uint8_t(word_or_byte >> 8), std::uint8_t(word_or_byte), last};
}

} // namespace

Instruction read_instruction(memory_slot memory, long address) {
    if (memory == SLOT_DATA) {
        return addressed(isp_opcode::read_eeprom, address, 0x00);
    }
    return addressed((address & 1) ? isp_opcode::read_flash_high : isp_opcode::read_flash_low,
                     address >> 1, 0x00);
}

Instruction write_instruction(memory_slot memory, long address, std::uint8_t value) {
    if (memory == SLOT_DATA) {
        return addressed(isp_opcode::write_eeprom, address, value);
    }
    return addressed((address & 1) ? isp_opcode::load_flash_high : isp_opcode::load_flash_low,
                     address >> 1, value);
}

Instruction page_write_instruction(long address) {
    return addressed(isp_opcode::write_page, address >> 1, 0x00);
}

Instruction extended_address_instruction(long address) {
    return {isp_opcode::load_extended_address, 0x00, std::uint8_t(address >> 17), 0x00};
}

} // namespace quarnel
