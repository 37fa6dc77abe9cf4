// Windows has no spidev interface nor GPIO character devices.
#include "platform/spi_device.h"

#include "platform/system_error.h"

namespace platform {

bool spi_devices_supported() {
    return false;
}

std::unique_ptr<spi_device> open_spi_device(const std::string& path) {
    record_system_error("can't open " + path + ": spidev is a Linux interface");
    return nullptr;
}

std::size_t spi_message_limit() {
    return 4096;
}

std::unique_ptr<gpio_output> request_gpio_output(const std::string& chip, unsigned, bool,
                                                 const char*) {
    record_system_error("can't open " + chip + ": GPIO character devices are a Linux interface");
    return nullptr;
}

} // namespace platform
