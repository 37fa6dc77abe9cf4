// The USBasp programmer: the engine's instructions, pages, bytes and blocks as the firmware's
// vendor requests.
#include "quarnel/programmers/usbasp/usbasp_programmer.h"

#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/programmers/usbasp/usbasp_devices.h"
#include "quarnel/programmers/usbasp/usbasp_protocol.h"

#include <algorithm>
#include <vector>

namespace quarnel {

namespace {

constexpr unsigned transfer_timeout_ms = 5000;

const char* function_name(std::uint8_t function) {
    switch (function) {
    case usbasp::CONNECT:
        return "CONNECT";
    case usbasp::DISCONNECT:
        return "DISCONNECT";
    case usbasp::TRANSMIT:
        return "TRANSMIT";
    case usbasp::READFLASH:
        return "READFLASH";
    case usbasp::ENABLEPROG:
        return "ENABLEPROG";
    case usbasp::WRITEFLASH:
        return "WRITEFLASH";
    case usbasp::READEEPROM:
        return "READEEPROM";
    case usbasp::WRITEEEPROM:
        return "WRITEEEPROM";
    case usbasp::SETLONGADDRESS:
        return "SETLONGADDRESS";
    case usbasp::SETISPSCK:
        return "SETISPSCK";
    default:
        return "GETCAPABILITIES";
    }
}

std::uint16_t low_word(long value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

} // namespace

bool is_usbasp_adapter_spec(const std::string& adapter_spec) {
    return equals_ignoring_case(adapter_spec, "usbasp");
}

std::unique_ptr<programmer_t> create_usbasp_programmer(const AdapterSettings& settings) {
    if (settings.osc_hz == 0) {
        console_log(0, "USBasp can't generate XTAL\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
    const bool listing = settings.port_spec && settings.port_spec->starts_with('?');
    const usbasp_request request =
        listing ? usbasp_request{} : parse_usbasp_port(settings.port_spec);
    auto library = std::make_unique<libusb_library_t>();
    if (listing) {
        list_usbasps(*library);
        throw app_error(EXIT_OK);
    }
    const std::uint32_t limit_hz = settings.sck_given || settings.sck_phases
                                       ? settings.requested_sck_hz()
                                       : usbasp::default_sck_hz;
    libusb::device_handle* handle = open_usbasp(*library, request);
    return std::make_unique<usbasp_programmer_t>(std::move(library), handle, limit_hz);
}

usbasp_programmer_t::usbasp_programmer_t(std::unique_ptr<libusb_library_t> library,
                                         libusb::device_handle* handle, std::uint32_t sck_limit_hz)
    : library_(std::move(library)), handle_(handle) {
    try {
        set_sck(sck_limit_hz);
    } catch (...) {
        library_->close(handle_);
        throw;
    }
}

usbasp_programmer_t::~usbasp_programmer_t() {
    if (connected_) {
        library_->control_transfer(handle_, libusb::vendor_in, usbasp::DISCONNECT, 0, 0, nullptr, 0,
                                   transfer_timeout_ms);
    }
    library_->close(handle_);
}

int usbasp_programmer_t::request(std::uint8_t function, bool in, std::uint16_t value,
                                 std::uint16_t index, std::uint8_t* data, std::uint16_t length) {
    const int moved =
        library_->control_transfer(handle_, in ? libusb::vendor_in : libusb::vendor_out, function,
                                   value, index, data, length, transfer_timeout_ms);
    if (moved < 0) {
        connected_ = false; // nothing more reaches the device
        console_log(0, "Can't send USBasp request %s (%s)%s\n", function_name(function),
                    library_->error_text(moved),
                    moved == libusb::ERROR_NO_DEVICE ? ", USBasp unplugged" : "");
        throw app_error(EXIT_ENVIRONMENT);
    }
    return moved;
}

// The setting goes before CONNECT, which applies it. Firmware older than SETISPSCK answers
// nothing (or a failure) and clocks at its own speed.
void usbasp_programmer_t::set_sck(std::uint32_t limit_hz) {
    std::uint8_t capabilities[4] = {};
    const int known = request(usbasp::GETCAPABILITIES, true, 0, 0, capabilities, 4);
    console_log(3, "\t%% USBasp capabilities: %s\n",
                known == 4 ? (capabilities[0] & 1 ? "TPI" : "none") : "not told");
    const int setting = usbasp::sck_setting_for(limit_hz);
    if (setting == 0) {
        console_log(0, "SCK up to %s is too slow for USBasp (slowest %s)\n",
                    format_frequency(limit_hz, FREQ_HZ).c_str(),
                    format_frequency(usbasp::sck_hz[1], FREQ_HZ).c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    std::uint8_t answer[4] = {0xFF};
    const int got =
        request(usbasp::SETISPSCK, true, static_cast<std::uint16_t>(setting), 0, answer, 4);
    if (got == 1 && answer[0] == 0) {
        console_log(3, "\t%% USBasp SCK frequency %s\n",
                    format_frequency(usbasp::sck_hz[setting], FREQ_HZ).c_str());
        return;
    }
    console_log(1, "Warning: USBasp firmware can't set SCK (update it), it clocks at %s\n",
                format_frequency(usbasp::default_sck_hz, FREQ_HZ).c_str());
    if (usbasp::default_sck_hz > limit_hz) {
        console_log(0, "USBasp's own SCK is too fast for the target (at most %s)\n",
                    format_frequency(limit_hz, FREQ_HZ).c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
}

void usbasp_programmer_t::connect() {
    request(usbasp::CONNECT, true, 0, 0, nullptr, 0);
    connected_ = true;
}

void usbasp_programmer_t::set_address(long address) {
    long_addresses_ = long_addresses_ || address > 0xFFFF;
    if (long_addresses_) {
        std::uint8_t answer[4];
        request(usbasp::SETLONGADDRESS, true, low_word(address), low_word(address >> 16), answer,
                4);
    }
}

Instruction usbasp_programmer_t::exchange(const Instruction& command) {
    Instruction reply{};
    const int got =
        request(usbasp::TRANSMIT, true, static_cast<std::uint16_t>(command[1] << 8 | command[0]),
                static_cast<std::uint16_t>(command[3] << 8 | command[2]), reply.data(), 4);
    if (got != 4) {
        console_log(0, "USBasp answered %d bytes to an instruction\n", got);
        throw app_error(EXIT_SYNC_LOST);
    }
    return reply;
}

// A sequence of blocks the firmware loads and counts against `page_size` (0: bytes written
// and waited for one by one).
void usbasp_programmer_t::write_block(std::uint8_t function, long address, const std::uint8_t* data,
                                      long count, long page_size, std::uint8_t flags) {
    for (long done = 0; done < count;) {
        const long part = std::min(usbasp::max_block, count - done);
        std::uint8_t block_flags = flags & usbasp::block_first;
        flags &= static_cast<std::uint8_t>(~usbasp::block_first);
        if (done + part == count) {
            block_flags |= flags & usbasp::block_last;
        }
        set_address(address + done);
        const auto index = static_cast<std::uint16_t>(
            (page_size & 0xFF) | (block_flags & 0x0F) << 8 | (page_size & 0xF00) << 4);
        std::vector<std::uint8_t> bytes(data + done, data + done + part);
        const int sent = request(function, false, low_word(address + done), index, bytes.data(),
                                 static_cast<std::uint16_t>(part));
        if (sent != part) {
            console_log(0, "USBasp took %d of %ld bytes\n", sent, part);
            throw app_error(EXIT_SYNC_LOST);
        }
        done += part;
    }
}

// The page's loads as one run of bytes from the first to the last (0xFF, which leaves the page
// buffer as it is, in any gap); its length is the firmware's page count, so the firmware writes
// the page after its last byte and waits or polls on that byte itself.
bool usbasp_programmer_t::write_page(const PageWrite& page) {
    if (page.loads.empty()) {
        return true;
    }
    const long first = page.loads.front().address;
    const long last = page.loads.back().address;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(last - first + 1), 0xFF);
    for (const PageLoad& load : page.loads) {
        bytes[static_cast<std::size_t>(load.address - first)] = load.value;
    }
    write_block(usbasp::WRITEFLASH, first, bytes.data(), static_cast<long>(bytes.size()),
                static_cast<long>(bytes.size()), usbasp::block_first | usbasp::block_last);
    if (bytes.back() == 0xFF && page.time_ms > usbasp::flash_wait_ms) {
        delay_ms(page.time_ms - usbasp::flash_wait_ms);
    }
    return true;
}

bool usbasp_programmer_t::write_byte(memory_slot memory, long address, std::uint8_t value,
                                     const WritePolling&, float time_ms) {
    const bool eeprom = memory == SLOT_DATA;
    write_block(eeprom ? usbasp::WRITEEEPROM : usbasp::WRITEFLASH, address, &value, 1, 0,
                usbasp::block_first | usbasp::block_last);
    const float firmware_wait =
        eeprom ? usbasp::eeprom_wait_ms : (value == 0xFF ? usbasp::flash_wait_ms : time_ms);
    if (time_ms > firmware_wait) {
        delay_ms(time_ms - firmware_wait);
    }
    return true;
}

// The firmware sends the extended address byte itself when a read crosses into another 128 KB.
void usbasp_programmer_t::read_block(memory_slot memory, long address, long count,
                                     std::uint8_t* buffer, bool) {
    const std::uint8_t function = memory == SLOT_DATA ? usbasp::READEEPROM : usbasp::READFLASH;
    for (long done = 0; done < count;) {
        const long part = std::min(usbasp::max_block, count - done);
        set_address(address + done);
        const int got = request(function, true, low_word(address + done), 0, buffer + done,
                                static_cast<std::uint16_t>(part));
        if (got != part) {
            console_log(0, "USBasp sent %d of %ld bytes\n", got, part);
            throw app_error(EXIT_SYNC_LOST);
        }
        done += part;
    }
}

void usbasp_programmer_t::set_reset(bool active) {
    if (active && !connected_) {
        connect();
    } else if (!active && connected_) {
        connected_ = false;
        request(usbasp::DISCONNECT, true, 0, 0, nullptr, 0);
    }
}

// CONNECT again: the firmware gives RESET a short high pulse and holds it low.
void usbasp_programmer_t::reset_pulse() {
    connect();
}

// The firmware can't pulse SCK alone; its own programming enable pulses RESET until the chip
// echoes, which brings it into step as well.
void usbasp_programmer_t::sck_pulse() {
    std::uint8_t answer[4] = {};
    const int got = request(usbasp::ENABLEPROG, true, 0, 0, answer, 4);
    console_log(4, "\t%% USBasp programming enable: %s\n",
                got == 1 && answer[0] == 0 ? "in step" : "no answer");
}

void usbasp_programmer_t::delay_ms(float ms) {
    os_timer_t timer;
    timer.set_delay(ms);
    timer.wait();
}

} // namespace quarnel
