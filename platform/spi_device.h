// The Linux SPI controller interface (spidev) and GPIO lines of a character device: what the
// host-clocked SPI adapter of a single-board computer drives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// False where the host has no spidev interface (Windows).
bool spi_devices_supported();

// A spidev device in SPI mode 0, eight bits a word, its chip select not used.
class spi_device {
  public:
    virtual ~spi_device() = default;
    // One message of one transfer: `len` bytes out and as many in, at `speed_hz`. False with
    // the system's reason recorded (last_system_error) when the kernel refuses it.
    virtual bool transfer(const std::uint8_t* out, std::uint8_t* in, std::size_t len,
                          std::uint32_t speed_hz) = 0;
};

// Opens and sets up a spidev device; nullptr with the reason recorded, the device named.
std::unique_ptr<spi_device> open_spi_device(const std::string& path);

// The most bytes one message may carry each way: spidev's buffer (its bufsiz parameter, 4096
// unless the module was loaded with another), less what the kernel's rounding of a transfer
// to its DMA alignment could add.
std::size_t spi_message_limit();

// One line of a GPIO character device, held as an output until the object goes, which gives it
// back (the line keeps its last level on most boards).
class gpio_output {
  public:
    virtual ~gpio_output() = default;
    virtual bool set(bool high) = 0;
    // Makes the line an input (high impedance) while it is still held.
    virtual bool make_input() = 0;
};

// Requests `line` of `chip` as an output at the level `high`, for `consumer`; nullptr with the
// reason recorded, the chip and line named.
std::unique_ptr<gpio_output> request_gpio_output(const std::string& chip, unsigned line, bool high,
                                                 const char* consumer);

} // namespace platform
