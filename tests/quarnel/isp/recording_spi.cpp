// An spi_t that records every call and byte and answers like a simple AVR in serial programming
// mode.
#include "recording_spi.h"

#include <algorithm>

std::vector<Instruction> RecordingSpi::instructions() const {
    std::vector<Instruction> out;
    for (std::size_t at = 0; at + 4 <= sent.size(); at += 4) {
        out.push_back({sent[at], sent[at + 1], sent[at + 2], sent[at + 3]});
    }
    return out;
}

int RecordingSpi::count(Kind kind) const {
    int n = 0;
    for (const Call& call : calls) {
        n += call.kind == kind;
    }
    return n;
}

int RecordingSpi::count_opcode(std::uint8_t opcode) const {
    int n = 0;
    for (const Instruction& instruction : instructions()) {
        n += instruction[0] == opcode;
    }
    return n;
}

bool RecordingSpi::in_step() const {
    if (answer_after_pulses >= 0) {
        return pulses >= answer_after_pulses;
    }
    return !silent;
}

std::uint8_t RecordingSpi::read_data() const {
    const Instruction& c = frame;
    const long word = (long(c[1]) << 8) | c[2];
    switch (c[0]) {
    case 0x30:
        return std::uint8_t(signature >> (8 * (2 - (c[2] & 3))));
    case 0x20:
    case 0x28:
        return always_busy ? 0x00
                           : flash[std::size_t((extended << 17) + word * 2 + (c[0] == 0x28))];
    case 0xA0:
        return always_busy ? 0x00 : eeprom[std::size_t(word)];
    case 0x38:
        return calibration[c[2] & 3];
    case 0x50:
    case 0x58: {
        const auto found = fuses.find(std::uint16_t((c[0] << 8) | c[1]));
        return found != fuses.end() ? found->second : 0xFF;
    }
    case 0xF0:
        return (always_busy || busy_left > 0) ? 0x01 : 0x00;
    default:
        return c[2];
    }
}

// An AVR shifts out the previous instruction byte while the next comes in,
// and the data of a read in the fourth byte.
std::uint8_t RecordingSpi::reply_byte(int index) const {
    if (!in_step()) {
        return 0xFF;
    }
    if (index == 0) {
        return 0x00;
    }
    if (index == 2 && frame[0] == 0xAC && frame[1] == 0x53 && !echo_enable) {
        return 0x00;
    }
    if (index < 3) {
        return frame[index - 1];
    }
    return read_data();
}

void RecordingSpi::execute() {
    const Instruction& c = frame;
    if (on_instruction) {
        on_instruction(c);
    }
    if (!in_step()) {
        return;
    }
    const long word = (long(c[1]) << 8) | c[2];
    if (c[0] == 0xF0 && busy_left > 0) {
        --busy_left;
        return;
    }
    switch (c[0]) {
    case 0x40:
    case 0x48: {
        const long address = word * 2 + (c[0] == 0x48);
        if (page_size != 0) {
            page_buffer[address & (page_size - 1)] = c[3];
        } else {
            flash[std::size_t(address)] &= c[3];
            busy_left = busy_polls;
        }
        break;
    }
    case 0x4C: {
        const long page = ((extended << 17) + word * 2) & ~long(page_size - 1);
        for (const auto& [offset, value] : page_buffer) {
            flash[std::size_t(page + offset)] &= value;
        }
        page_buffer.clear();
        busy_left = busy_polls;
        break;
    }
    case 0x4D:
        extended = c[2];
        break;
    case 0xC0:
        eeprom[std::size_t(word)] = c[3];
        busy_left = busy_polls;
        break;
    case 0xAC:
        if (c[1] == 0x80) {
            std::fill(flash.begin(), flash.end(), 0xFF);
            std::fill(eeprom.begin(), eeprom.end(), 0xFF);
        } else if (c[1] == 0xA0) {
            fuses[0x5000] = c[3];
        } else if (c[1] == 0xA8) {
            fuses[0x5808] = c[3];
        } else if (c[1] == 0xA4) {
            fuses[0x5008] = c[3];
        } else if (c[1] == 0xE0) {
            fuses[0x5800] &= c[3];
        }
        break;
    default:
        break;
    }
}

std::uint8_t RecordingSpi::clock(std::uint8_t out) {
    sent.push_back(out);
    frame[position] = out;
    const std::uint8_t in = reply_byte(position);
    if (++position == 4) {
        position = 0;
        execute();
    }
    return in;
}

std::uint8_t RecordingSpi::transfer_byte(std::uint8_t out) {
    calls.push_back({Kind::transfer_byte, {out}});
    return clock(out);
}

void RecordingSpi::send_byte(std::uint8_t out) {
    calls.push_back({Kind::send_byte, {out}});
    clock(out);
}

std::uint8_t RecordingSpi::receive_byte() {
    calls.push_back({Kind::receive_byte, {0x00}});
    return clock(0x00);
}

void RecordingSpi::transfer_buffer(const std::uint8_t* out, std::uint8_t* in, int len) {
    calls.push_back({Kind::transfer_buffer, {out, out + len}});
    for (int i = 0; i < len; ++i) {
        in[i] = clock(out[i]);
    }
}

void RecordingSpi::send_buffer(const std::uint8_t* out, int len) {
    calls.push_back({Kind::send_buffer, {out, out + len}});
    for (int i = 0; i < len; ++i) {
        clock(out[i]);
    }
}

void RecordingSpi::send_then_transfer(const std::uint8_t* send, int send_len,
                                      const std::uint8_t* out, std::uint8_t* in, int len) {
    if (!packet) {
        spi_t::send_then_transfer(send, send_len, out, in, len);
        return;
    }
    Call call{Kind::send_then_transfer, {send, send + send_len}};
    call.bytes.insert(call.bytes.end(), out, out + len);
    calls.push_back(call);
    for (int i = 0; i < send_len; ++i) {
        clock(send[i]);
    }
    for (int i = 0; i < len; ++i) {
        in[i] = clock(out[i]);
    }
}

void RecordingSpi::set_reset(bool active) {
    calls.push_back({Kind::set_reset, {}, 0, active});
    position = 0;
}

void RecordingSpi::reset_pulse() {
    calls.push_back({Kind::reset_pulse});
    position = 0;
}

void RecordingSpi::sck_pulse() {
    calls.push_back({Kind::sck_pulse});
    ++pulses;
}

void RecordingSpi::delay_ms(float ms) {
    calls.push_back({Kind::delay, {}, ms});
    busy_left = 0;
}

void RecordingSpi::power_on() {
    calls.push_back({Kind::power_on});
}
void RecordingSpi::power_off() {
    calls.push_back({Kind::power_off});
}
void RecordingSpi::enable() {
    calls.push_back({Kind::enable});
}
void RecordingSpi::disable() {
    calls.push_back({Kind::disable});
}
void RecordingSpi::set_led_ok(bool on) {
    calls.push_back({Kind::led_ok, {}, 0, on});
}
void RecordingSpi::set_led_error(bool on) {
    calls.push_back({Kind::led_error, {}, 0, on});
}
