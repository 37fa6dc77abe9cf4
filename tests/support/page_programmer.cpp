// The page programmer: the firmware's loops over the virtual chip.
#include "tests/support/page_programmer.h"

using namespace quarnel;

page_programmer_t::page_programmer_t(const std::string& device, ChipSettings settings)
    : wire_(device, settings) {
    wire_.clock().follow_host();
}

Instruction page_programmer_t::send(const Instruction& command) {
    Instruction reply{};
    wire_.transfer_buffer(command.data(), reply.data(), 4);
    check_echo(command, reply);
    return reply;
}

Instruction page_programmer_t::exchange(const Instruction& command) {
    ++instructions;
    Instruction reply{};
    wire_.transfer_buffer(command.data(), reply.data(), 4);
    return reply;
}

// The firmware loads the page and writes it, then waits the page time (it does not poll).
bool page_programmer_t::write_page(const PageWrite& page) {
    ++pages_written;
    for (const PageLoad& load : page.loads) {
        const Instruction command = write_instruction(SLOT_CODE, load.address, load.value);
        wire_.send_buffer(command.data(), 4);
    }
    if (page.extended_address) {
        send(extended_address_instruction(page.address));
    }
    send(page_write_instruction(page.address));
    wire_.delay_ms(page.time_ms);
    return true;
}

bool page_programmer_t::write_byte(memory_slot memory, long address, std::uint8_t value,
                                   const WritePolling&, float time_ms) {
    ++bytes_written;
    send(write_instruction(memory, address, value));
    wire_.delay_ms(time_ms);
    return true;
}

void page_programmer_t::read_block(memory_slot memory, long address, long count,
                                   std::uint8_t* buffer, bool extended_address) {
    ++blocks_read;
    bytes_read += count;
    if (extended_address) {
        send(extended_address_instruction(address));
    }
    for (long i = 0; i < count; ++i) {
        buffer[i] = send(read_instruction(memory, address + i))[3];
    }
}
