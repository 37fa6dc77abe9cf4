// spidev and the GPIO character device's v2 line requests, with the kernel's own ioctls.
#include "platform/spi_device.h"

#include "platform/system_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/gpio.h>
#include <linux/spi/spidev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t default_buffer = 4096;
// The largest DMA alignment the kernel rounds a transfer's share of the buffer up to (128 bytes
// on 64-bit Raspberry Pi kernels).
constexpr std::size_t dma_alignment = 128;

void record_failure(const std::string& what, const char* group) {
    const int err = errno;
    std::string text = what + ": " + std::strerror(err);
    if (err == EACCES || err == EPERM) {
        text += std::string(" (the user needs to be in group ") + group + ")";
    } else if (err == ENOENT || err == ENODEV || err == ENXIO) {
        text += group == std::string("spi") ? " (is SPI enabled: dtparam=spi=on?)"
                                            : " (no such GPIO chip)";
    } else if (err == EBUSY) {
        text += " (another program holds the line)";
    }
    record_system_error(text);
}

class spidev final : public spi_device {
  public:
    spidev(int device, std::string device_path) : fd(device), path(std::move(device_path)) {}
    ~spidev() override { close(fd); }

    bool transfer(const std::uint8_t* out, std::uint8_t* in, std::size_t len,
                  std::uint32_t speed_hz) override {
        spi_ioc_transfer message{};
        message.tx_buf = reinterpret_cast<std::uintptr_t>(out);
        message.rx_buf = reinterpret_cast<std::uintptr_t>(in);
        message.len = static_cast<std::uint32_t>(len);
        message.speed_hz = speed_hz;
        message.bits_per_word = 8;
        if (ioctl(fd, SPI_IOC_MESSAGE(1), &message) < 0) {
            record_failure("can't transfer " + std::to_string(len) + " bytes on " + path, "spi");
            return false;
        }
        return true;
    }

  private:
    int fd;
    std::string path;
};

class gpio_line final : public gpio_output {
  public:
    gpio_line(int line_fd, std::string line_name) : fd(line_fd), name(std::move(line_name)) {}
    ~gpio_line() override { close(fd); }

    bool set(bool high) override {
        gpio_v2_line_values values{};
        values.bits = high ? 1 : 0;
        values.mask = 1;
        if (ioctl(fd, GPIO_V2_LINE_SET_VALUES_IOCTL, &values) < 0) {
            record_failure("can't set " + name, "gpio");
            return false;
        }
        return true;
    }

    bool make_input() override {
        gpio_v2_line_config config{};
        config.flags = GPIO_V2_LINE_FLAG_INPUT;
        if (ioctl(fd, GPIO_V2_LINE_SET_CONFIG_IOCTL, &config) < 0) {
            record_failure("can't make " + name + " an input", "gpio");
            return false;
        }
        return true;
    }

  private:
    int fd;
    std::string name;
};

} // namespace

bool spi_devices_supported() {
    return true;
}

std::unique_ptr<spi_device> open_spi_device(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        record_failure("can't open " + path, "spi");
        return nullptr;
    }
    std::uint8_t mode = SPI_MODE_0;
    std::uint8_t bits = 8;
    if (ioctl(fd, SPI_IOC_WR_MODE, &mode) < 0 || ioctl(fd, SPI_IOC_WR_BITS_PER_WORD, &bits) < 0) {
        record_failure("can't set SPI mode 0 on " + path, "spi");
        close(fd);
        return nullptr;
    }
    return std::make_unique<spidev>(fd, path);
}

std::size_t spi_message_limit() {
    std::size_t buffer = default_buffer;
    if (FILE* parameter = std::fopen("/sys/module/spidev/parameters/bufsiz", "r")) {
        unsigned long value = 0;
        if (std::fscanf(parameter, "%lu", &value) == 1 && value > 0) {
            buffer = value;
        }
        std::fclose(parameter);
    }
    return buffer >= dma_alignment ? buffer / dma_alignment * dma_alignment : buffer;
}

std::unique_ptr<gpio_output> request_gpio_output(const std::string& chip, unsigned line, bool high,
                                                 const char* consumer) {
    const std::string name = "line " + std::to_string(line) + " of " + chip;
    const int chip_fd = open(chip.c_str(), O_RDWR | O_CLOEXEC);
    if (chip_fd < 0) {
        record_failure("can't open " + chip, "gpio");
        return nullptr;
    }
    gpio_v2_line_request request{};
    request.offsets[0] = line;
    request.num_lines = 1;
    std::snprintf(request.consumer, sizeof request.consumer, "%s", consumer);
    request.config.flags = GPIO_V2_LINE_FLAG_OUTPUT;
    request.config.num_attrs = 1;
    request.config.attrs[0].attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
    request.config.attrs[0].attr.values = high ? 1 : 0;
    request.config.attrs[0].mask = 1;
    const int result = ioctl(chip_fd, GPIO_V2_GET_LINE_IOCTL, &request);
    if (result < 0) {
        record_failure("can't get " + name, "gpio");
    }
    close(chip_fd);
    return result < 0 ? nullptr : std::make_unique<gpio_line>(request.fd, name);
}

} // namespace platform
