// EEPROM transfers with their per-byte progress lines.
#include "dorvik/eeprom_ops.h"

#include "dorvik/isp_driver.h"
#include "dorvik/memory_access.h"
#include "dorvik/write_poll.h"
#include "platform/clock.h"

#include <cstdio>

namespace dorvik {
namespace {

constexpr unsigned EEPROM_WRITE_WAIT_MS = 10;

int percent(std::size_t done, std::size_t total) {
    return static_cast<int>(done * 100 / total);
}

int verify_eeprom(const Image& image) {
    bool differs = false;
    for (std::size_t a = 0; a < image.size(); ++a) {
        if (read_eeprom_byte(static_cast<std::uint32_t>(a)) != image[a]) {
            std::printf("Error write EEPROM memory.\n");
            differs = true;
        }
        std::printf("\r  Verify EEPROM...\t\t\t\t\t:%d%%", percent(a + 1, image.size()));
    }
    if (differs) {
        std::printf("\r  Verify EEPROM...\t\t\t\t\terror.\t\n");
        return -1;
    }
    std::printf("\r  Verify EEPROM...\t\t\t\t\tok.\t\n");
    return 0;
}

} // namespace

int read_eeprom(Image& image) {
    const unsigned failures = isp_echo_failures();
    for (std::size_t a = 0; a < image.size(); ++a) {
        image[a] = read_eeprom_byte(static_cast<std::uint32_t>(a));
        std::printf("\r  Read EEPROM...\t\t\t\t\t:%d%%", percent(a + 1, image.size()));
    }
    if (isp_echo_failures() != failures) {
        std::printf("\r  Read EEPROM...\t\t\t\t\terror.\t\n");
        isp_stayed_in_step(failures, "reading EEPROM memory");
        return -1;
    }
    std::printf("\r  Read EEPROM...\t\t\t\t\tok.\t\n");
    return 0;
}

int write_eeprom(const Image& image, EepromWriteMode mode) {
    std::printf("\r  Write EEPROM...");
    for (std::size_t a = 0; a < image.size(); ++a) {
        const auto address = static_cast<std::uint32_t>(a);
        if (mode == EepromWriteMode::EEPROM_WRITE_ALL) {
            write_eeprom_byte(address, image[a]);
            platform::sleep_ms(EEPROM_WRITE_WAIT_MS);
        } else if (image[a] != 0xFF) {
            write_eeprom_byte(address, image[a]);
            if (!poll_written_byte(read_eeprom_byte, address, image[a])) {
                std::printf("\r  Write EEPROM...\t\t\t\t\terror.\t\n");
                return -1;
            }
        }
        std::printf("\r  Write EEPROM...\t\t\t\t\t:%d%%", percent(a + 1, image.size()));
    }
    std::printf("\r  Write EEPROM...\t\t\t\t\tok.\t\n");
    return verify_eeprom(image);
}

} // namespace dorvik
