// The USBasp firmware's request handling, as its firmware does it on the ISP lines.
#include "sim/usbasp/usbasp_firmware.h"

namespace avrsim {

namespace {

// The firmware's timer ticks 320 us; its fixed waits and the line delay are counted in them.
constexpr double tick_us = 320.0;
constexpr double flash_wait_us = 15 * tick_us;
constexpr double eeprom_wait_us = 30 * tick_us;
constexpr double poll_limit_us = 30 * tick_us;
constexpr double line_delay_us = tick_us;
constexpr int enable_tries = 32;

enum : std::uint8_t {
    connect_request = 1,
    disconnect_request = 2,
    transmit_request = 3,
    read_flash_request = 4,
    enable_request = 5,
    write_flash_request = 6,
    read_eeprom_request = 7,
    write_eeprom_request = 8,
    long_address_request = 9,
    sck_request = 10,
    capabilities_request = 127,
};
constexpr std::uint8_t flag_first = 1;
constexpr std::uint8_t flag_last = 2;
constexpr std::uint8_t capability_tpi = 0x01;

// SCK of each setting; setting 0 and unknown ones give the default 375 kHz.
double sck_hz_of(std::uint8_t option) {
    constexpr double table[] = {375000, 500,   1000,   2000,   4000,   8000,   16000,
                                32000,  93750, 187500, 375000, 750000, 1500000};
    return option < sizeof table / sizeof table[0] ? table[option] : 375000;
}

} // namespace

usbasp_firmware::usbasp_firmware(ChipModel* chip, bus_clock& clock, bool can_set_sck)
    : chip_(chip), clock_(clock), can_set_sck_(can_set_sck) {}

std::uint8_t usbasp_firmware::transmit(std::uint8_t byte) {
    std::uint8_t got = 0;
    for (int bit = 7; bit >= 0; --bit) {
        const bool level = ((byte >> bit) & 1) != 0;
        if (chip_ != nullptr && connected_) {
            chip_->set_mosi(level);
        }
        wait_us(half_period_us_);
        if (chip_ != nullptr && connected_) {
            chip_->set_sck(true);
            got = static_cast<std::uint8_t>(got << 1 | (chip_->miso() ? 1 : 0));
        } else {
            got = static_cast<std::uint8_t>(got << 1 | 1); // a floating MISO reads high
        }
        wait_us(half_period_us_);
        if (chip_ != nullptr && connected_) {
            chip_->set_sck(false);
        }
    }
    return got;
}

std::uint8_t usbasp_firmware::exchange(std::uint8_t a, std::uint8_t b, std::uint8_t c,
                                       std::uint8_t d) {
    transmit(a);
    transmit(b);
    transmit(c);
    return transmit(d);
}

void usbasp_firmware::send(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    exchange(a, b, c, d);
}

// RESET low with SCK low, a short high pulse on RESET, low again; the SCK setting is taken now.
void usbasp_firmware::connect() {
    half_period_us_ = 0.5e6 / sck_hz_of(can_set_sck_ ? sck_option_ : 0);
    connected_ = true;
    if (chip_ != nullptr) {
        chip_->set_sck(false);
        chip_->set_mosi(false);
        chip_->set_reset(true);
        wait_us(line_delay_us);
        chip_->set_reset(false);
        wait_us(line_delay_us);
        chip_->set_reset(true);
    }
    hiaddr_ = -1;
    long_address_ = false;
}

// Every line an input: the target's pull-up lets RESET go high.
void usbasp_firmware::disconnect() {
    if (chip_ != nullptr && connected_) {
        chip_->set_reset(false);
    }
    connected_ = false;
}

std::uint8_t usbasp_firmware::enter_programming() {
    for (int i = 0; i < enable_tries; ++i) {
        transmit(0xAC);
        transmit(0x53);
        const std::uint8_t echo = transmit(0x00);
        transmit(0x00);
        if (echo == 0x53) {
            return 0;
        }
        if (chip_ != nullptr && connected_) {
            wait_us(line_delay_us);
            chip_->set_reset(false);
            wait_us(line_delay_us);
            chip_->set_reset(true);
            wait_us(line_delay_us);
        }
    }
    return 1;
}

void usbasp_firmware::set_extended(long address) {
    const int high = static_cast<int>((address >> 17) & 0xFF);
    if (high != hiaddr_) {
        hiaddr_ = high;
        send(0x4D, 0x00, static_cast<std::uint8_t>(high), 0x00);
    }
}

std::uint8_t usbasp_firmware::read_flash(long address) {
    set_extended(address);
    return exchange(static_cast<std::uint8_t>(0x20 | (address & 1) << 3),
                    static_cast<std::uint8_t>(address >> 9),
                    static_cast<std::uint8_t>(address >> 1), 0x00);
}

void usbasp_firmware::load_flash(long address, std::uint8_t value) {
    set_extended(address);
    send(static_cast<std::uint8_t>(0x40 | (address & 1) << 3),
         static_cast<std::uint8_t>(address >> 9), static_cast<std::uint8_t>(address >> 1), value);
}

// A fixed wait for 0xFF (which data polling can't see), else reads until the byte is there or
// the firmware gives up.
void usbasp_firmware::poll_flash(long address, std::uint8_t value) {
    if (value == 0xFF) {
        wait_us(flash_wait_us);
        return;
    }
    const double start = clock_.total_us();
    while (read_flash(address) != value && clock_.total_us() - start < poll_limit_us) {
    }
}

void usbasp_firmware::flush_page(long address, std::uint8_t value) {
    send(0x4C, static_cast<std::uint8_t>(address >> 9), static_cast<std::uint8_t>(address >> 1),
         0x00);
    poll_flash(address, value);
}

void usbasp_firmware::write_eeprom(long address, std::uint8_t value) {
    send(0xC0, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), value);
    wait_us(eeprom_wait_us);
}

int usbasp_firmware::setup(const usbasp_setup& setup, std::uint8_t* reply) {
    state_ = state::idle;
    switch (setup.request) {
    case connect_request:
        connect();
        return 0;
    case disconnect_request:
        disconnect();
        return 0;
    case transmit_request:
        for (int i = 0; i < 4; ++i) {
            const std::uint16_t word = i < 2 ? setup.value : setup.index;
            reply[i] = transmit(static_cast<std::uint8_t>(i % 2 == 0 ? word : word >> 8));
        }
        return 4;
    case enable_request:
        reply[0] = enter_programming();
        return 1;
    case read_flash_request:
    case read_eeprom_request:
    case write_flash_request:
    case write_eeprom_request:
        if (!long_address_) {
            address_ = setup.value;
        }
        bytes_left_ = setup.length;
        if (setup.request == write_flash_request || setup.request == write_eeprom_request) {
            page_size_ = (setup.index & 0xFF) | ((setup.index >> 12) & 0x0F) << 8;
            block_flags_ = static_cast<std::uint8_t>((setup.index >> 8) & 0x0F);
            if (block_flags_ & flag_first) {
                page_counter_ = page_size_;
            }
        }
        state_ = setup.request == read_flash_request    ? state::read_flash
                 : setup.request == read_eeprom_request ? state::read_eeprom
                 : setup.request == write_flash_request ? state::write_flash
                                                        : state::write_eeprom;
        return -1;
    case long_address_request:
        long_address_ = true;
        address_ = static_cast<long>(setup.value) | static_cast<long>(setup.index) << 16;
        return 0;
    case sck_request:
        if (!can_set_sck_) {
            return 0;
        }
        sck_option_ = static_cast<std::uint8_t>(setup.value);
        reply[0] = 0;
        return 1;
    case capabilities_request:
        if (!can_set_sck_) {
            return 0;
        }
        reply[0] = capability_tpi;
        reply[1] = reply[2] = reply[3] = 0;
        return 4;
    default:
        return 0;
    }
}

void usbasp_firmware::read(std::uint8_t* data, int count) {
    for (int i = 0; i < count && bytes_left_ > 0; ++i, --bytes_left_, ++address_) {
        if (state_ == state::read_flash) {
            data[i] = read_flash(address_);
        } else if (state_ == state::read_eeprom) {
            data[i] = exchange(0xA0, static_cast<std::uint8_t>(address_ >> 8),
                               static_cast<std::uint8_t>(address_), 0x00);
        } else {
            data[i] = 0xFF;
        }
    }
}

void usbasp_firmware::write(const std::uint8_t* data, int count) {
    for (int i = 0; i < count && bytes_left_ > 0; ++i, ++address_) {
        if (state_ == state::write_flash && page_size_ == 0) {
            load_flash(address_, data[i]);
            poll_flash(address_, data[i]);
        } else if (state_ == state::write_flash) {
            load_flash(address_, data[i]);
            if (--page_counter_ == 0) {
                flush_page(address_, data[i]);
                page_counter_ = page_size_;
            }
        } else if (state_ == state::write_eeprom) {
            write_eeprom(address_, data[i]);
        }
        if (--bytes_left_ == 0) {
            if (state_ == state::write_flash && (block_flags_ & flag_last) && page_size_ != 0 &&
                page_counter_ != page_size_) {
                flush_page(address_, data[i]);
            }
            state_ = state::idle;
        }
    }
}

} // namespace avrsim
