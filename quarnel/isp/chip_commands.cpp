// Chip-wide instructions: lock state, chip erase with its correction, lock-bit writes.
#include "quarnel/isp/chip_commands.h"

#include "quarnel/common/console.h"
#include "quarnel/common/memory_slot.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/fuse_layout.h"
#include "quarnel/isp/instruction.h"
#include "quarnel/isp/isp_opcodes.h"
#include "quarnel/isp/memory_write.h"
#include "quarnel/isp/programmer.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/isp/session.h"

namespace quarnel {

namespace {

constexpr Instruction read_lock_instruction = {isp_opcode::read_lock, 0x00, 0x00, 0x00};

// Lock level by the two lock bits (bit 0 LB1, bit 1 LB2; 1 = unprogrammed).
constexpr int level_of_bits[4] = {2, 2, 1, 0};

int lock_bits_of(int lock_format, std::uint8_t b) {
    switch (lock_format) {
    case 1:
        return ((b >> 5) & 2) | (b >> 7);
    case 2:
        return (b >> 1) & 3;
    default:
        return b & 3;
    }
}

bool has_boot_lock_fields(const DeviceInfo& device) {
    return device.fuse_layout != nullptr && device.fuse_layout->bytes[FUSE_LOCK] != nullptr;
}

} // namespace

int lock_level_of_bits(unsigned bits) {
    return level_of_bits[bits & 3];
}

void read_lock_state(IspSession& session) {
    const DeviceInfo& device = session.current_device();
    if (device.lock_format == 0) {
        session.lock_state = LOCK_UNKNOWN;
        return;
    }
    const Instruction reply = session.isp().exchange(read_lock_instruction);
    trace_exchange(4, "Read Lock", read_lock_instruction.data(), reply.data());
    check_echo(read_lock_instruction, reply);
    session.lock_state = lock_level_of_bits(unsigned(lock_bits_of(device.lock_format, reply[3])));
}

void chip_erase(const IspSession& session) {
    programmer_t& programmer = session.isp();
    const Instruction command = {isp_opcode::program, isp_opcode::chip_erase, 0x00, 0x00};
    const Instruction reply = programmer.exchange(command);
    trace_reply(3, "Erase reply", reply.data());
    check_echo(command, reply);
    programmer.delay_ms(session.waits.erase);
    programmer.set_reset(false);
    programmer.delay_ms(session.settings.inactive_reset_ms);
    programmer.set_reset(true);
}

void erase_device(IspSession& session) {
    const DeviceInfo& device = session.current_device();
    if (device.flags & DEV_ERASE_TWICE) {
        console_log(3, "%s erase bug correction\n", device.names);
        chip_erase(session);
        enter_programming_mode(session);
        // Timed: polling is chosen only when a memory is programmed.
        MemoryWriter(session, SLOT_CODE, WritePolling{}).write(0, 0xFF);
    }
    chip_erase(session);
    console_log(2, "Device erased\n");
    enter_programming_mode(session);
    read_lock_state(session);
    session.erase.erased = true;
}

int write_lock_bits(const IspSession& session, int level) {
    const DeviceInfo& device = session.current_device();
    const std::uint8_t mask = level >= 2 ? 3 : 1;
    programmer_t& programmer = session.isp();
    Instruction command;
    if (device.lock_format < 3) {
        command = {isp_opcode::program, std::uint8_t(~(mask * 2)), 0x00, 0x00};
    } else if (has_boot_lock_fields(device)) {
        // Keep the boot lock bits the chip has now.
        const Instruction reply = programmer.exchange(read_lock_instruction);
        trace_exchange(3, "BLB* read", read_lock_instruction.data(), reply.data());
        check_echo(read_lock_instruction, reply);
        command = {isp_opcode::program, isp_opcode::write_lock, 0x00,
                   std::uint8_t((reply[3] | 0xC0) & ~mask)};
    } else {
        command = {isp_opcode::program, isp_opcode::write_lock, 0x00, std::uint8_t(~mask)};
    }
    const Instruction reply = programmer.exchange(command);
    trace_exchange(4, "Lock chip", command.data(), reply.data());
    check_echo(command, reply);
    programmer.delay_ms(session.waits.erase);
    return level > 2 ? 2 : level;
}

} // namespace quarnel
