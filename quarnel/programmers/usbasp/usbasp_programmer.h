// A USBasp: a programmer whose firmware takes ISP instructions and whole blocks of flash and
// EEPROM over USB vendor requests, through libusb-1.0.
#pragma once

#include "quarnel/adapters/adapter_settings.h"
#include "quarnel/isp/programmer.h"
#include "quarnel/programmers/usbasp/libusb_library.h"

#include <memory>
#include <string>

namespace quarnel {

// "usbasp", whatever the case.
bool is_usbasp_adapter_spec(const std::string& adapter_spec);

// Opens the USBasp the -p text asks for and sets its SCK for the target; with -p? lists them
// and ends the run (status 0). Failures log their reason, status 70.
std::unique_ptr<programmer_t> create_usbasp_programmer(const AdapterSettings& settings);

class usbasp_programmer_t final : public programmer_t {
  public:
    usbasp_programmer_t(std::unique_ptr<libusb_library_t> library, libusb::device_handle* handle,
                        std::uint32_t sck_limit_hz);
    ~usbasp_programmer_t() override;
    usbasp_programmer_t(const usbasp_programmer_t&) = delete;
    usbasp_programmer_t& operator=(const usbasp_programmer_t&) = delete;

    Instruction exchange(const Instruction& command) override;
    bool write_page(const PageWrite& page) override;
    bool write_byte(memory_slot memory, long address, std::uint8_t value,
                    const WritePolling& polling, float time_ms) override;
    void read_block(memory_slot memory, long address, long count, std::uint8_t* buffer,
                    bool extended_address) override;

    void set_reset(bool active) override;
    void reset_pulse() override;
    void sck_pulse() override;
    void delay_ms(float ms) override;
    bool has_power() override { return false; }
    void power_on() override {}
    void power_off() override {}
    bool has_enable() override { return false; }
    void enable() override {}
    void disable() override {}
    // The firmware drives its lamps itself.
    void set_led_ok(bool) override {}
    void set_led_error(bool) override {}
    bool has_key() override { return false; }
    bool key_pressed() override { return false; }

  private:
    // One vendor request; returns the bytes moved. A failing transfer ends the run (status 70).
    int request(std::uint8_t function, bool in, std::uint16_t value, std::uint16_t index,
                std::uint8_t* data, std::uint16_t length);
    void set_sck(std::uint32_t limit_hz);
    void connect();
    // Tells the firmware the address of the next block when it needs it.
    void set_address(long address);
    void write_block(std::uint8_t function, long address, const std::uint8_t* data, long count,
                     long page_size, std::uint8_t flags);

    std::unique_ptr<libusb_library_t> library_;
    libusb::device_handle* handle_;
    bool connected_ = false;
    // Once the firmware took an address of 32 bits it counts on from it and ignores the
    // 16-bit one of each block: each block then sends its address that way.
    bool long_addresses_ = false;
};

} // namespace quarnel
