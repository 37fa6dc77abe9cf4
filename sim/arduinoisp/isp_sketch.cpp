// The sketch's loop as it runs on the board.
#include "sim/arduinoisp/isp_sketch.h"

namespace avrsim {

namespace {
constexpr std::uint8_t stk_ok = 0x10;
constexpr std::uint8_t stk_failed = 0x11;
constexpr std::uint8_t stk_unknown = 0x12;
constexpr std::uint8_t stk_insync = 0x14;
constexpr std::uint8_t stk_nosync = 0x15;
constexpr std::uint8_t crc_eop = 0x20;
// The time between the EEPROM bytes the sketch writes.
constexpr double eeprom_byte_ms = 45.0;
} // namespace

isp_sketch::isp_sketch(ChipModel& chip, sketch_line& line, double sck_hz, double page_wait_ms)
    : chip_(chip), line_(line), half_period_us_(0.5e6 / sck_hz), page_wait_ms_(page_wait_ms) {}

void isp_sketch::restart() {
    end_pmode();
    here_ = 0;
    page_size_ = 0;
    eeprom_size_ = 0;
}

// SPI mode 0, most significant bit first.
std::uint8_t isp_sketch::spi_byte(std::uint8_t out) {
    std::uint8_t in = 0;
    for (int bit = 7; bit >= 0; --bit) {
        chip_.set_mosi(((out >> bit) & 1) != 0);
        line_.spin_us(half_period_us_);
        in = static_cast<std::uint8_t>(in << 1 | (chip_.miso() ? 1 : 0));
        chip_.set_sck(true);
        line_.spin_us(half_period_us_);
        chip_.set_sck(false);
    }
    return in;
}

std::uint8_t isp_sketch::spi_transaction(std::uint8_t a, std::uint8_t b, std::uint8_t c,
                                         std::uint8_t d) {
    spi_byte(a);
    spi_byte(b);
    spi_byte(c);
    const std::uint8_t last = spi_byte(d);
    line_.service();
    return last;
}

void isp_sketch::put_text(const char* text) {
    for (; *text != '\0'; ++text) {
        line_.put(static_cast<std::uint8_t>(*text));
    }
}

void isp_sketch::empty_reply() {
    if (line_.getch() == crc_eop) {
        line_.put(stk_insync);
        line_.put(stk_ok);
    } else {
        line_.put(stk_nosync);
    }
}

void isp_sketch::byte_reply(std::uint8_t value) {
    if (line_.getch() == crc_eop) {
        line_.put(stk_insync);
        line_.put(value);
        line_.put(stk_ok);
    } else {
        line_.put(stk_nosync);
    }
}

void isp_sketch::fill(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        buff_[i] = line_.getch();
    }
}

void isp_sketch::start_pmode() {
    // RESET low before SCK and MOSI are driven, a pulse of RESET with SCK low, then the wait
    // the datasheets ask for before programming enable.
    chip_.set_reset(true);
    chip_.set_sck(false);
    chip_.set_mosi(false);
    line_.delay_ms(20.0);
    chip_.set_reset(false);
    line_.spin_us(100.0);
    chip_.set_reset(true);
    line_.delay_ms(50.0);
    spi_transaction(0xAC, 0x53, 0x00, 0x00);
    pmode_ = true;
}

void isp_sketch::end_pmode() {
    // SCK and MOSI become inputs, and RESET is let go.
    chip_.set_sck(false);
    chip_.set_mosi(false);
    chip_.set_reset(false);
    pmode_ = false;
}

void isp_sketch::set_parameters() {
    page_size_ = unsigned{buff_[12]} << 8 | buff_[13];
    eeprom_size_ = unsigned{buff_[14]} << 8 | buff_[15];
}

unsigned isp_sketch::current_page() const {
    switch (page_size_) {
    case 32:
        return here_ & 0xFFF0u;
    case 64:
        return here_ & 0xFFE0u;
    case 128:
        return here_ & 0xFFC0u;
    case 256:
        return here_ & 0xFF80u;
    default:
        return here_;
    }
}

void isp_sketch::commit(unsigned address) {
    spi_transaction(0x4C, static_cast<std::uint8_t>(address >> 8),
                    static_cast<std::uint8_t>(address), 0x00);
    if (page_wait_ms_ > 0.0) {
        line_.delay_ms(page_wait_ms_);
    }
}

void isp_sketch::program_page() {
    unsigned length = unsigned{line_.getch()} << 8;
    length |= line_.getch();
    const std::uint8_t memory = line_.getch();
    if (length > sizeof buff_ || (memory != 'F' && memory != 'E')) {
        line_.put(stk_failed);
        return;
    }
    fill(length);
    if (line_.getch() != crc_eop) {
        line_.put(stk_nosync);
        return;
    }
    line_.put(stk_insync);
    if (memory == 'E') {
        if (length > eeprom_size_) {
            line_.put(stk_failed);
            return;
        }
        const unsigned start = here_ * 2;
        for (unsigned x = 0; x < length; ++x) {
            const unsigned address = start + x;
            spi_transaction(0xC0, static_cast<std::uint8_t>(address >> 8),
                            static_cast<std::uint8_t>(address), buff_[x]);
            line_.delay_ms(eeprom_byte_ms);
        }
        line_.put(stk_ok);
        return;
    }
    // Words from `here`, a page write each time the page changes and one at the end.
    unsigned page = current_page();
    for (unsigned x = 0; x < length; x += 2) {
        if (page != current_page()) {
            commit(page);
            page = current_page();
        }
        spi_transaction(0x40, static_cast<std::uint8_t>(here_ >> 8),
                        static_cast<std::uint8_t>(here_), buff_[x]);
        spi_transaction(0x48, static_cast<std::uint8_t>(here_ >> 8),
                        static_cast<std::uint8_t>(here_), buff_[x + 1]);
        ++here_;
    }
    commit(page);
    line_.put(stk_ok);
}

void isp_sketch::read_page() {
    unsigned length = unsigned{line_.getch()} << 8;
    length |= line_.getch();
    const std::uint8_t memory = line_.getch();
    if (line_.getch() != crc_eop) {
        line_.put(stk_nosync);
        return;
    }
    line_.put(stk_insync);
    if (memory == 'F') {
        for (unsigned x = 0; x < length; x += 2) {
            const auto high = static_cast<std::uint8_t>(here_ >> 8);
            const auto low = static_cast<std::uint8_t>(here_);
            line_.put(spi_transaction(0x20, high, low, 0x00));
            line_.put(spi_transaction(0x28, high, low, 0x00));
            ++here_;
        }
    } else if (memory == 'E') {
        const unsigned start = here_ * 2;
        for (unsigned x = 0; x < length; ++x) {
            const unsigned address = start + x;
            line_.put(spi_transaction(0xA0, static_cast<std::uint8_t>(address >> 8),
                                      static_cast<std::uint8_t>(address), 0xFF));
        }
    } else {
        line_.put(stk_failed);
        return;
    }
    line_.put(stk_ok);
}

void isp_sketch::universal() {
    fill(4);
    byte_reply(spi_transaction(buff_[0], buff_[1], buff_[2], buff_[3]));
}

void isp_sketch::read_signature() {
    if (line_.getch() != crc_eop) {
        line_.put(stk_nosync);
        return;
    }
    line_.put(stk_insync);
    for (std::uint8_t i = 0; i < 3; ++i) {
        line_.put(spi_transaction(0x30, 0x00, i, 0x00));
    }
    line_.put(stk_ok);
}

void isp_sketch::step() {
    const std::uint8_t command = line_.getch();
    switch (command) {
    case '0': // get sync
        empty_reply();
        break;
    case '1': // sign-on
        if (line_.getch() == crc_eop) {
            line_.put(stk_insync);
            put_text("AVR ISP");
            line_.put(stk_ok);
        } else {
            line_.put(stk_nosync);
        }
        break;
    case 'A': { // get parameter: hardware 2, software 1.18, a serial programmer
        const std::uint8_t which = line_.getch();
        byte_reply(which == 0x80   ? 2
                   : which == 0x81 ? 1
                   : which == 0x82 ? 18
                   : which == 0x93 ? 'S'
                                   : 0);
        break;
    }
    case 'B': // set device
        fill(20);
        set_parameters();
        empty_reply();
        break;
    case 'E': // extended parameters: not used
        fill(5);
        empty_reply();
        break;
    case 'P':
        if (!pmode_) {
            start_pmode();
        }
        empty_reply();
        break;
    case 'U': // load address: a word address, low byte first
        here_ = line_.getch();
        here_ |= unsigned{line_.getch()} << 8;
        empty_reply();
        break;
    case 0x60: // program flash word: not used
        line_.getch();
        line_.getch();
        empty_reply();
        break;
    case 0x61: // program EEPROM byte: not used
        line_.getch();
        empty_reply();
        break;
    case 0x64:
        program_page();
        break;
    case 0x74:
        read_page();
        break;
    case 'V':
        universal();
        break;
    case 'Q':
        end_pmode();
        empty_reply();
        break;
    case 0x75:
        read_signature();
        break;
    case crc_eop: // an end byte out of step
        line_.put(stk_nosync);
        break;
    default:
        line_.put(line_.getch() == crc_eop ? stk_unknown : stk_nosync);
        break;
    }
}

} // namespace avrsim
