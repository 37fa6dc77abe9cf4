// Reading flash and EEPROM: single bytes and blocks, packet-based or byte-wise.
#include "quarnel/isp/memory_read.h"

#include "quarnel/adapters/spi.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/isp/instruction.h"
#include "quarnel/isp/session.h"

#include <algorithm>
#include <vector>

namespace quarnel {

namespace {

constexpr long block_size = 0x20000; // flash reachable without the extended address byte

bool needs_extended_address(const IspSession& session) {
    return session.current_device().flash_size > block_size;
}

std::uint8_t read_byte(IspSession& session, memory_slot memory, long address) {
    spi_t& spi = session.spi();
    const Instruction command = read_instruction(memory, address);
    if (spi.is_packet_based()) {
        return exchange_checked(spi, command)[3];
    }
    // Bit-banged adapters sample MISO only for the echo and the data.
    spi.send_byte(command[0]);
    const std::uint8_t echo = spi.transfer_byte(command[1]);
    spi.send_byte(command[2]);
    const std::uint8_t data = spi.receive_byte();
    if (echo != command[0]) {
        raise_sync_lost();
    }
    return data;
}

// Sends all read instructions of a block in one transfer; an extended
// address instruction goes first when `extended_from` is not -1.
void read_packet(IspSession& session, memory_slot memory, std::uint8_t* buffer, long address,
                 long count, long extended_from) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(count + 1) * 4);
    auto append = [&out](const Instruction& instruction) {
        out.insert(out.end(), instruction.begin(), instruction.end());
    };
    if (extended_from != -1) {
        append(extended_address_instruction(extended_from));
    }
    for (long i = 0; i < count; ++i) {
        append(read_instruction(memory, address + i));
    }
    std::vector<std::uint8_t> in(out.size());
    session.spi().transfer_buffer(out.data(), in.data(), static_cast<int>(out.size()));
    const std::size_t first_read = extended_from != -1 ? 4 : 0;
    for (std::size_t at = 0; at < out.size(); at += 4) {
        if (in[at + 1] != out[at]) {
            raise_sync_lost();
        }
        if (at >= first_read) {
            buffer[(at - first_read) / 4] = in[at + 3];
        }
    }
}

// Reads flash bytes that all lie in one 128 KB block.
void read_flash_part(IspSession& session, std::uint8_t* buffer, long address, long count) {
    ProgrammingState& state = session.prog;
    long extended_from = -1;
    if (needs_extended_address(session) && (address >> 17) != (state.open_page >> 17)) {
        extended_from = address;
        state.open_page = address;
    }
    spi_t& spi = session.spi();
    if (spi.is_packet_based()) {
        read_packet(session, SLOT_CODE, buffer, address, count, extended_from);
        return;
    }
    if (extended_from != -1) {
        exchange_checked(spi, extended_address_instruction(extended_from));
    }
    for (long i = 0; i < count; ++i) {
        buffer[i] = read_byte(session, SLOT_CODE, address + i);
    }
}

} // namespace

long chunk_size(memory_slot memory) {
    return memory == SLOT_DATA ? 32 : 512;
}

std::uint8_t read_memory_byte(IspSession& session, long address) {
    return read_byte(session, session.prog.memory, address);
}

void read_flash_block(IspSession& session, std::uint8_t* buffer, long address, long count) {
    while (count > 0) {
        const long block_end = (address | (block_size - 1)) + 1;
        const long part = std::min(count, block_end - address);
        read_flash_part(session, buffer, address, part);
        buffer += part;
        address += part;
        count -= part;
    }
}

void read_eeprom_block(IspSession& session, std::uint8_t* buffer, long address, long count) {
    if (count <= 0) {
        return;
    }
    if (session.spi().is_packet_based()) {
        read_packet(session, SLOT_DATA, buffer, address, count, -1);
        return;
    }
    for (long i = 0; i < count; ++i) {
        buffer[i] = read_byte(session, SLOT_DATA, address + i);
    }
}

void read_block(IspSession& session, std::uint8_t* buffer, long address, long count) {
    if (session.prog.memory == SLOT_DATA) {
        read_eeprom_block(session, buffer, address, count);
    } else {
        read_flash_block(session, buffer, address, count);
    }
}

bool all_ff(const std::uint8_t* bytes, long count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0xFF; });
}

} // namespace quarnel
