// The programmer over an spi_t: page and byte writes, polling, packet and byte-wise reads.
#include "quarnel/isp/spi_programmer.h"

#include "quarnel/adapters/os_timer.h"
#include "quarnel/adapters/spi.h"

namespace quarnel {

Instruction exchange_checked(programmer_t& programmer, const Instruction& command) {
    const Instruction reply = programmer.exchange(command);
    check_echo(command, reply);
    return reply;
}

Instruction spi_programmer_t::exchange(const Instruction& command) {
    Instruction reply{};
    spi.transfer_buffer(command.data(), reply.data(), 4);
    return reply;
}

bool spi_programmer_t::write_page(const PageWrite& page) {
    loads.clear();
    auto append = [this](const Instruction& instruction) {
        loads.insert(loads.end(), instruction.begin(), instruction.end());
    };
    for (const PageLoad& load : page.loads) {
        append(write_instruction(SLOT_CODE, load.address, load.value));
    }
    if (page.extended_address) {
        append(extended_address_instruction(page.address));
    }
    const Instruction page_write = page_write_instruction(page.address);
    Instruction reply{};
    spi.send_then_transfer(loads.data(), static_cast<int>(loads.size()), page_write.data(),
                           reply.data(), static_cast<int>(reply.size()));
    check_echo(page_write, reply);
    return wait_write_done(SLOT_CODE, page.polling, page.poll_address, page.poll_value,
                           page.time_ms);
}

bool spi_programmer_t::write_byte(memory_slot memory, long address, std::uint8_t value,
                                  const WritePolling& polling, float time_ms) {
    exchange_checked(*this, write_instruction(memory, address, value));
    return wait_write_done(memory, polling, address, value, time_ms);
}

bool spi_programmer_t::wait_write_done(memory_slot memory, const WritePolling& polling,
                                       long address, std::uint8_t value, float time_ms) {
    if (polling.mode == POLL_MODE_TIMED ||
        (polling.mode == POLL_MODE_DATA && (address == -1 || !polling.can_poll(value)))) {
        spi.delay_ms(time_ms);
        return true;
    }
    auto finished = [&] {
        if (polling.mode == POLL_MODE_DATA) {
            return read_byte(memory, address) == value;
        }
        return (exchange_checked(*this, poll_ready_instruction)[3] & 0x01) == 0;
    };
    os_timer_t timeout;
    timeout.set_delay(4.0f * time_ms);
    // The last poll starts after the time-out: a host that was held up between two polls
    // (a busy machine, a slow USB round trip) must not fail a write the chip has finished.
    for (;;) {
        const bool late = timeout.expired();
        if (finished()) {
            return true;
        }
        if (late) {
            return false;
        }
    }
}

std::uint8_t spi_programmer_t::read_byte(memory_slot memory, long address) {
    const Instruction command = read_instruction(memory, address);
    if (spi.is_packet_based()) {
        return exchange_checked(*this, command)[3];
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

// Sends all read instructions of a block in one transfer, the extended address first when
// asked for.
void spi_programmer_t::read_packet(memory_slot memory, long address, long count,
                                   std::uint8_t* buffer, bool extended_address) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(count + 1) * 4);
    auto append = [&out](const Instruction& instruction) {
        out.insert(out.end(), instruction.begin(), instruction.end());
    };
    if (extended_address) {
        append(extended_address_instruction(address));
    }
    for (long i = 0; i < count; ++i) {
        append(read_instruction(memory, address + i));
    }
    std::vector<std::uint8_t> in(out.size());
    spi.transfer_buffer(out.data(), in.data(), static_cast<int>(out.size()));
    const std::size_t first_read = extended_address ? 4 : 0;
    for (std::size_t at = 0; at < out.size(); at += 4) {
        if (in[at + 1] != out[at]) {
            raise_sync_lost();
        }
        if (at >= first_read) {
            buffer[(at - first_read) / 4] = in[at + 3];
        }
    }
}

void spi_programmer_t::read_block(memory_slot memory, long address, long count,
                                  std::uint8_t* buffer, bool extended_address) {
    if (spi.is_packet_based()) {
        read_packet(memory, address, count, buffer, extended_address);
        return;
    }
    if (extended_address) {
        exchange_checked(*this, extended_address_instruction(address));
    }
    for (long i = 0; i < count; ++i) {
        buffer[i] = read_byte(memory, address + i);
    }
}

void spi_programmer_t::set_reset(bool active) {
    spi.set_reset(active);
}
void spi_programmer_t::reset_pulse() {
    spi.reset_pulse();
}
void spi_programmer_t::sck_pulse() {
    spi.sck_pulse();
}
void spi_programmer_t::delay_ms(float ms) {
    spi.delay_ms(ms);
}
bool spi_programmer_t::has_power() {
    return spi.has_power();
}
void spi_programmer_t::power_on() {
    spi.power_on();
}
void spi_programmer_t::power_off() {
    spi.power_off();
}
bool spi_programmer_t::has_enable() {
    return spi.has_enable();
}
void spi_programmer_t::enable() {
    spi.enable();
}
void spi_programmer_t::disable() {
    spi.disable();
}
void spi_programmer_t::set_led_ok(bool on) {
    spi.set_led_ok(on);
}
void spi_programmer_t::set_led_error(bool on) {
    spi.set_led_error(on);
}
bool spi_programmer_t::has_key() {
    return spi.has_key();
}
bool spi_programmer_t::key_pressed() {
    return spi.key_pressed();
}

} // namespace quarnel
