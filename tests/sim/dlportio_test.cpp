// The stand-in parallel port driven through its exported DLPortIO functions.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "sim/target_file.h"
#include "tests/sim/port_driver.h"
#include "tests/support/run_program.h"

namespace {

std::string new_target_file(const TempDir& dir, const std::string& chip,
                            const std::vector<std::string>& settings) {
    Target target = new_target(chip);
    for (const std::string& setting : settings) {
        apply_setting_text(target, setting);
    }
    const std::string path = dir.file("target.txt");
    save_target(target, path);
    return path;
}

std::uint32_t signature(BitBang& spi) {
    std::uint32_t value = 0;
    for (std::uint8_t i = 0; i < 3; ++i) {
        std::uint8_t bytes[4] = {0x30, 0x00, i, 0x00};
        spi.instruction(bytes);
        value = (value << 8) | bytes[3];
    }
    return value;
}

std::uint8_t enter(BitBang& spi) {
    spi.hold_reset(true);
    platform::sleep_ms(25);
    std::uint8_t enable[4] = {0xAC, 0x53, 0x00, 0x00};
    spi.instruction(enable);
    return enable[2];
}

TEST(DlPortIoStandIn, KelmaReadsTheSignatureOfAMega8) {
    TempDir dir;
    const std::string target = new_target_file(dir, "mega8", {"adapter=kelma"});
    PortLibrary port(bin_path("libavrsim_dlportio.so"), target);
    BitBang spi{port, 0x20, 0x40, 0x10, 0x40};
    EXPECT_EQ(enter(spi), 0x53);
    EXPECT_EQ(signature(spi), 0x1E9307u);
}

} // namespace
