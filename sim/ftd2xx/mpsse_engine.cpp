// MPSSE command interpretation: GPIO bytes, clock divisor, byte and bit shifting on both edges.
#include "sim/ftd2xx/mpsse_engine.h"

namespace avrsim {

namespace {
constexpr std::uint16_t sck_line = 0x0001;  // TCK/SK
constexpr std::uint16_t mosi_line = 0x0002; // TDI/DO
constexpr std::uint16_t miso_line = 0x0004; // TDO/DI

// Opcode bits of the shifting commands.
constexpr std::uint8_t out_on_falling = 0x01;
constexpr std::uint8_t bit_mode = 0x02;
constexpr std::uint8_t in_on_falling = 0x04;
constexpr std::uint8_t lsb_first = 0x08;
constexpr std::uint8_t data_out = 0x10;
constexpr std::uint8_t data_in = 0x20;

constexpr std::uint8_t bad_command_reply = 0xFA;

// Time one GPIO command takes on the chip: a handful of engine clocks. Not from a datasheet;
// short enough that a reset pulse of a few writes stays a pulse.
constexpr double gpio_command_us_slow = 0.25;
constexpr double gpio_command_us_fast = 0.1;

bool is_shift(std::uint8_t opcode) {
    return opcode < 0x40 && (opcode & (data_out | data_in)) != 0;
}
} // namespace

mpsse_engine::mpsse_engine(mpsse_chip chip, gpio_wiring& wiring) : chip_(chip), wiring_(wiring) {}

void mpsse_engine::set_bit_mode(std::uint8_t mode) {
    active_ = mode == 0x02;
    pending_.clear();
    values_ = 0;
    directions_ = 0;
    loopback_ = false;
    apply_lines();
}

double mpsse_engine::sck_hz() const {
    const double base = is_h_chip() && !divide_by_5_ ? 30e6 : 6e6;
    return base / (divisor_ + 1.0);
}

void mpsse_engine::write(const std::uint8_t* data, std::size_t size) {
    if (!active_) {
        return; // outside MPSSE mode the bytes would go to the UART
    }
    pending_.insert(pending_.end(), data, data + size);
    std::size_t offset = 0;
    while (offset < pending_.size()) {
        const std::size_t length = command_length(offset);
        if (length == 0) {
            break;
        }
        execute(pending_.data() + offset);
        offset += length;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(offset));
}

std::size_t mpsse_engine::command_length(std::size_t offset) const {
    const std::uint8_t* command = pending_.data() + offset;
    const std::size_t have = pending_.size() - offset;
    const std::uint8_t opcode = command[0];
    std::size_t need = 1;
    if (is_shift(opcode)) {
        if (opcode & bit_mode) {
            need = (opcode & data_out) ? 3 : 2;
        } else {
            need = 3;
            if ((opcode & data_out) && have >= 3) {
                need += std::size_t{command[1]} + (std::size_t{command[2]} << 8) + 1;
            }
        }
    } else if (opcode == 0x80 || opcode == 0x82 || opcode == 0x86 ||
               (opcode == 0x8F && is_h_chip())) {
        need = 3;
    } else if (opcode == 0x8E && is_h_chip()) {
        need = 2;
    }
    return have >= need ? need : 0;
}

void mpsse_engine::execute(const std::uint8_t* command) {
    const std::uint8_t opcode = command[0];
    if (is_shift(opcode)) {
        if (opcode & bit_mode) {
            shift(opcode, (opcode & data_out) ? command + 2 : nullptr, command[1] % 8 + 1, 1);
        } else {
            const int bytes = command[1] + (command[2] << 8) + 1;
            shift(opcode, (opcode & data_out) ? command + 3 : nullptr, 8, bytes);
        }
        return;
    }
    switch (opcode) {
    case 0x80:
        values_ = static_cast<std::uint16_t>((values_ & 0xFF00) | command[1]);
        directions_ = static_cast<std::uint16_t>((directions_ & 0xFF00) | command[2]);
        apply_lines();
        wiring_.advance_us(is_h_chip() ? gpio_command_us_fast : gpio_command_us_slow);
        return;
    case 0x82:
        if (has_high_byte()) {
            values_ = static_cast<std::uint16_t>((values_ & 0x00FF) | (command[1] << 8));
            directions_ = static_cast<std::uint16_t>((directions_ & 0x00FF) | (command[2] << 8));
            apply_lines();
        }
        wiring_.advance_us(is_h_chip() ? gpio_command_us_fast : gpio_command_us_slow);
        return;
    case 0x81:
        reply(static_cast<std::uint8_t>(wiring_.sense() & 0xFF));
        return;
    case 0x83:
        reply(has_high_byte() ? static_cast<std::uint8_t>(wiring_.sense() >> 8) : 0xFF);
        return;
    case 0x84:
    case 0x85:
        loopback_ = opcode == 0x84;
        return;
    case 0x86:
        divisor_ = static_cast<std::uint16_t>(command[1] | (command[2] << 8));
        return;
    case 0x87:
        flushed_ = true;
        return;
    default:
        break;
    }
    if (is_h_chip()) {
        switch (opcode) {
        case 0x8A:
        case 0x8B:
            divide_by_5_ = opcode == 0x8B;
            return;
        case 0x8C: // three-phase clocking on / off, adaptive clocking on / off: not wired here
        case 0x8D:
        case 0x96:
        case 0x97:
            return;
        case 0x8E:
            shift(0x00, nullptr, command[1] % 8 + 1, 1);
            return;
        case 0x8F:
            shift(0x00, nullptr, 8, command[1] + (command[2] << 8) + 1);
            return;
        default:
            break;
        }
    }
    ++bad_commands_;
    reply(bad_command_reply);
    reply(opcode);
}

void mpsse_engine::shift(std::uint8_t opcode, const std::uint8_t* data, int bits_per_unit,
                         int units) {
    for (int i = 0; i < units; ++i) {
        const int in = shift_bits(opcode, data != nullptr ? data[i] : 0, bits_per_unit);
        if (opcode & data_in) {
            reply(static_cast<std::uint8_t>(in));
        }
    }
}

int mpsse_engine::shift_bits(std::uint8_t opcode, std::uint8_t out, int bits) {
    const double half_period_us = 0.5e6 / sck_hz();
    const bool idle_high = (values_ & sck_line) != 0;
    // Each bit has two edges: away from the idle level (A), then back (B). Data goes out on
    // the write edge; when that is edge A the bit appears only after the edge, so a target
    // sampling on it still sees the previous bit, as on the wires.
    const bool write_on_a = idle_high == ((opcode & out_on_falling) != 0);
    const bool read_on_a = idle_high == ((opcode & in_on_falling) != 0);
    int in = 0;
    for (int i = 0; i < bits; ++i) {
        const bool bit = (out >> ((opcode & lsb_first) ? i : 7 - i)) & 1;
        if ((opcode & data_out) && !write_on_a) {
            set_line(mosi_line, bit);
        }
        for (const bool edge_a : {true, false}) {
            wiring_.advance_us(half_period_us);
            if ((opcode & data_in) && edge_a == read_on_a) {
                // Taken just before the target moves MISO on this same edge.
                const bool level =
                    loopback_ ? (values_ & mosi_line) != 0 : (wiring_.sense() & miso_line) != 0;
                in = (opcode & lsb_first) ? in | (int{level} << i) : (in << 1) | int{level};
            }
            set_line(sck_line, edge_a != idle_high);
            if ((opcode & data_out) && edge_a && write_on_a) {
                set_line(mosi_line, bit);
            }
        }
        ++clocks_;
    }
    return in;
}

void mpsse_engine::set_line(std::uint16_t line, bool high) {
    values_ = static_cast<std::uint16_t>(high ? values_ | line : values_ & ~line);
    apply_lines();
}

void mpsse_engine::apply_lines() {
    const std::uint16_t outputs = active_ ? directions_ : 0;
    wiring_.drive(static_cast<std::uint16_t>(values_ & outputs), outputs);
}

void mpsse_engine::reply(std::uint8_t byte) {
    replies_.push_back(byte);
    flushed_ = false;
}

} // namespace avrsim
