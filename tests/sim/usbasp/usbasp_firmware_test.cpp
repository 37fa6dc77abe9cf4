// The USBasp firmware of the stand-in on a virtual mega328P: a programmer gets a right chip only
// with the page count and block flags the firmware expects.
#include "sim/target_file.h"
#include "sim/usbasp/usbasp_firmware.h"

#include <gtest/gtest.h>

#include <vector>

using namespace avrsim;

namespace {

struct Firmware {
    Target target = new_target("mega328P");
    bus_clock clock;
    ChipModel chip{target.chip, target.settings, clock};
    usbasp_firmware firmware{&chip, clock, true};

    int request(std::uint8_t function, std::uint16_t value = 0, std::uint16_t index = 0,
                std::uint16_t length = 0) {
        std::uint8_t reply[8] = {};
        return firmware.setup({function, value, index, length}, reply);
    }
    // CONNECT at 93.75 kHz (the factory chip runs at 1 MHz), the chip's start-up time and the
    // firmware's own programming enable; start() erases the chip too.
    void enter() {
        request(10, 8);
        request(1);
        clock.advance_us(30000);
        std::uint8_t reply[8] = {};
        ASSERT_EQ(firmware.setup({5, 0, 0, 1}, reply), 1);
        ASSERT_EQ(reply[0], 0);
    }
    void start() {
        enter();
        std::uint8_t reply[8] = {};
        firmware.setup({3, 0x80AC, 0x0000, 4}, reply);
        clock.advance_us(10000);
    }
    void write(std::uint16_t address, std::uint16_t index, std::vector<std::uint8_t> data) {
        request(6, address, index, static_cast<std::uint16_t>(data.size()));
        for (std::size_t done = 0; done < data.size(); done += 8) {
            firmware.write(data.data() + done,
                           static_cast<int>(std::min<std::size_t>(8, data.size() - done)));
        }
        clock.advance_us(10000);
    }
    std::vector<std::uint8_t> read(std::uint16_t address, std::uint16_t length) {
        std::vector<std::uint8_t> data(length);
        request(4, address, 0, length);
        firmware.read(data.data(), length);
        return data;
    }
};

std::vector<std::uint8_t> page(std::uint8_t seed) {
    std::vector<std::uint8_t> data(128);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return data;
}

TEST(UsbaspFirmware, WritesAPageOnlyWhenItsCountOrLastFlagEndsIt) {
    const struct {
        const char* name;
        // Page size low byte | block flags << 8 | page size high nibble << 12, for one block of
        // the whole page, or for its two halves.
        std::vector<std::uint16_t> blocks;
        bool written;
    } cases[] = {
        {"page count 128, first and last", {0x0380}, true},
        {"page count 128 in two blocks", {0x0180, 0x0280}, true},
        {"page count 256, last flag flushes", {0x1300}, true},
        {"page count 256, no last flag", {0x1100}, false},
        {"no page count: loaded and polled, never written", {0x0300}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Firmware usbasp;
        usbasp.start();
        const std::vector<std::uint8_t> data = page(0x11);
        const std::size_t part = data.size() / c.blocks.size();
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            const auto from = data.begin() + static_cast<long>(i * part);
            usbasp.write(static_cast<std::uint16_t>(0x0100 + i * part), c.blocks[i],
                         {from, from + static_cast<long>(part)});
        }
        const std::vector<std::uint8_t> back = usbasp.read(0x0100, 128);
        EXPECT_EQ(back == data, c.written);
        if (!c.written) {
            EXPECT_EQ(back, std::vector<std::uint8_t>(128, 0xFF));
        }
    }
}

// After a long address the firmware counts on from it and takes no 16-bit address of a block,
// until the next CONNECT.
TEST(UsbaspFirmware, LongAddressReplacesTheBlockAddressUntilTheNextConnect) {
    Firmware usbasp;
    usbasp.start();
    const std::vector<std::uint8_t> first = page(0x22);
    const std::vector<std::uint8_t> second = page(0x33);
    usbasp.write(0x0000, 0x0380, first);
    usbasp.write(0x0080, 0x0380, second);
    const auto part = [](const std::vector<std::uint8_t>& data, long from) {
        return std::vector<std::uint8_t>(data.begin() + from, data.begin() + from + 16);
    };
    usbasp.request(9, 0x0080, 0x0000);
    EXPECT_EQ(usbasp.read(0x0000, 16), part(second, 0));
    EXPECT_EQ(usbasp.read(0x0000, 16), part(second, 16));
    usbasp.enter();
    EXPECT_EQ(usbasp.read(0x0000, 16), part(first, 0));
}

} // namespace
