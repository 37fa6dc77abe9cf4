// The engine's requests as the ArduinoISP sketch's STK500 commands.
#include "quarnel/programmers/arduinoisp/arduinoisp_programmer.h"

#include "platform/clock.h"
#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/errors.h"
#include "quarnel/isp/isp_opcodes.h"
#include "quarnel/programmers/arduinoisp/stk500_protocol.h"

#include <algorithm>

namespace quarnel {

namespace {
// LOAD_ADDRESS and its answer, and the header, end byte and answer of READ_PAGE or PROG_PAGE.
constexpr long address_bytes = 4 + 2;
constexpr long page_command_bytes = 5 + 2;
// UNIVERSAL and its answer.
constexpr long universal_bytes = 6 + 3;

std::int64_t counts_for_ms(float ms) {
    return static_cast<std::int64_t>(static_cast<double>(ms) *
                                     static_cast<double>(platform::counter_frequency()) / 1000.0);
}
} // namespace

arduinoisp_programmer_t::arduinoisp_programmer_t(stk500_link_t serial_link,
                                                 const DeviceSelection& selection)
    : link(std::move(serial_link)), device(selection) {}

arduinoisp_programmer_t::~arduinoisp_programmer_t() {
    try {
        leave_programming_mode();
    } catch (const app_error&) { // said where it failed; the run's own status stands
    }
}

void arduinoisp_programmer_t::settle(long bytes) {
    const std::int64_t start = busy_until - counts_for_ms(link.line_ms(bytes));
    const std::int64_t left = start - platform::counter_now();
    if (left > 0) {
        delay_ms(static_cast<float>(static_cast<double>(left) * 1000.0 /
                                    static_cast<double>(platform::counter_frequency())));
    }
}

void arduinoisp_programmer_t::enter_programming_mode() {
    if (programming) {
        return;
    }
    // The sketch resets the chip, clocks programming enable into it and holds RESET.
    link.command({stk500::enter_progmode});
    programming = true;
    extended_byte = -1;
}

void arduinoisp_programmer_t::leave_programming_mode() {
    // A board that failed gets nothing more: the failure has been said.
    if (!programming || !link.healthy()) {
        return;
    }
    settle(0);
    link.command({stk500::leave_progmode});
    programming = false;
}

Instruction arduinoisp_programmer_t::exchange(const Instruction& command) {
    if (command[0] == isp_opcode::program && command[1] == isp_opcode::enable) {
        enter_programming_mode();
        return {0x00, command[0], command[1], 0x00};
    }
    settle(universal_bytes);
    std::uint8_t last = 0;
    link.command({stk500::universal, command[0], command[1], command[2], command[3]}, &last, 1);
    return {0x00, command[0], command[1], last};
}

void arduinoisp_programmer_t::send_device() {
    const DeviceInfo& row = device.current();
    if (row.flash_page == device_sent_page) {
        return;
    }
    const auto page = static_cast<std::uint32_t>(row.flash_page);
    const auto eeprom = static_cast<std::uint32_t>(row.eeprom_size);
    const auto flash = static_cast<std::uint32_t>(row.flash_size);
    // Device code, revision, programmer type, parallel and polling modes, self-timed, lock and
    // fuse bytes, poll values; the sketch reads only the sizes after them, and from the device
    // code whether the chip is an 8051 (codes from 0xE0 on, RESET active high).
    std::vector<std::uint8_t> command = {
        stk500::set_device, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x01, 0x03, 0xFF, 0xFF, 0xFF, 0xFF};
    const auto append = [&command](std::uint32_t value, int bytes) {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
            command.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    };
    append(page, 2);
    append(eeprom, 2);
    append(flash, 4);
    link.command(command);
    device_sent_page = row.flash_page;
}

void arduinoisp_programmer_t::send_extended_address(long address) {
    const int byte = static_cast<int>((address >> 17) & 0xFF);
    if (byte != extended_byte) {
        exchange(extended_address_instruction(address));
        extended_byte = byte;
    }
}

long arduinoisp_programmer_t::address_line_bytes(long word_address) const {
    return (word_address & 0xFFFF) == here ? 0 : address_bytes;
}

void arduinoisp_programmer_t::load_address(long word_address) {
    word_address &= 0xFFFF;
    if (word_address == here) {
        return;
    }
    link.command(
        {stk500::load_address, std::uint8_t(word_address), std::uint8_t(word_address >> 8)});
    here = word_address;
}

void arduinoisp_programmer_t::advance_here(long bytes) {
    here = (here + bytes / 2) & 0xFFFF;
}

bool arduinoisp_programmer_t::sketch_pages(long page_size) const {
    return page_size == 32 || page_size == 64 || page_size == 128 || page_size == 256;
}

bool arduinoisp_programmer_t::write_page(const PageWrite& page) {
    if (page.loads.empty()) {
        return true;
    }
    if (page.extended_address) {
        send_extended_address(page.address);
    }
    send_device();
    if (!sketch_pages(device.current().flash_page)) {
        // The sketch would write such a page word by word: the loads go one at a time.
        for (const PageLoad& load : page.loads) {
            exchange(write_instruction(SLOT_CODE, load.address, load.value));
        }
        exchange(page_write_instruction(page.address));
    } else {
        // The page's words from the first load to the last; those not loaded stay erased.
        const long first = page.loads.front().address & ~1L;
        const long end = (page.loads.back().address | 1L) + 1;
        data.assign(static_cast<std::size_t>(end - first), 0xFF);
        for (const PageLoad& load : page.loads) {
            data[static_cast<std::size_t>(load.address - first)] = load.value;
        }
        const auto length = static_cast<std::uint16_t>(data.size());
        std::vector<std::uint8_t> command(4 + data.size());
        command[0] = stk500::prog_page;
        command[1] = std::uint8_t(length >> 8);
        command[2] = std::uint8_t(length);
        command[3] = stk500::memory_flash;
        std::copy(data.begin(), data.end(), command.begin() + 4);
        settle(address_line_bytes(first >> 1) + page_command_bytes +
               static_cast<long>(data.size()));
        load_address(first >> 1);
        link.command(command);
        advance_here(static_cast<long>(data.size()));
    }
    busy_until = platform::counter_now() + counts_for_ms(page.time_ms);
    return true;
}

bool arduinoisp_programmer_t::write_byte(memory_slot memory, long address, std::uint8_t value,
                                         const WritePolling&, float time_ms) {
    // One instruction on the line takes longer than the sketch's round of polls would.
    exchange(write_instruction(memory, address, value));
    busy_until = platform::counter_now() + counts_for_ms(time_ms);
    return true;
}

void arduinoisp_programmer_t::read_block(memory_slot memory, long address, long count,
                                         std::uint8_t* buffer, bool extended_address) {
    if (memory == SLOT_CODE && extended_address) {
        send_extended_address(address);
    }
    // The sketch counts in words from the loaded address: blocks start on an even byte, and
    // flash goes in whole words.
    const long first = address & ~1L;
    const long end = memory == SLOT_CODE ? ((address + count + 1) & ~1L) : address + count;
    for (long at = first; at < end;) {
        const long length = std::min<long>(end - at, stk500::largest_block);
        data.resize(static_cast<std::size_t>(length));
        settle(address_line_bytes(at >> 1) + page_command_bytes);
        load_address(at >> 1);
        link.command({stk500::read_page, std::uint8_t(length >> 8), std::uint8_t(length),
                      memory == SLOT_CODE ? stk500::memory_flash : stk500::memory_eeprom},
                     data.data(), data.size());
        // The sketch counts flash words on; an EEPROM read leaves the address where it was.
        if (memory == SLOT_CODE) {
            advance_here(length);
        }
        for (long i = std::max(at, address); i < std::min(at + length, address + count); ++i) {
            buffer[i - address] = data[static_cast<std::size_t>(i - at)];
        }
        at += length;
    }
}

void arduinoisp_programmer_t::set_reset(bool active) {
    if (!active) {
        leave_programming_mode();
    }
}

void arduinoisp_programmer_t::delay_ms(float ms) {
    os_timer_t timer;
    timer.set_delay(ms);
    timer.wait();
}

} // namespace quarnel
