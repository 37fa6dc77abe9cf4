// The ArduinoISP programmer against the sketch's own loop over an in-process chip: the serial
// line is a pair of queues whose bytes take their line time on the chip's clock, so the
// addresses the programmer loads (or leaves to the sketch's count), the extended address and
// the blocks at odd addresses all end in the chip or come back from it.
#include "quarnel/devices/device_lookup.h"
#include "quarnel/programmers/arduinoisp/arduinoisp_programmer.h"
#include "sim/arduinoisp/isp_sketch.h"
#include "tests/support/chip_spi.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <stdexcept>

using namespace quarnel;

namespace {

class board_wire final : public platform::serial_port, public avrsim::sketch_line {
  public:
    explicit board_wire(const std::string& device)
        : state(factory_chip(find_device(device.c_str()))), chip(state, settings, clock),
          sketch(chip, *this, 125000.0, 30.0) {
        clock.follow_host();
    }

    // The link writes one whole command at a time.
    bool write(const std::uint8_t* data, std::size_t len) override {
        ++commands[data[0]];
        in.insert(in.end(), data, data + len);
        while (!in.empty()) {
            sketch.step();
        }
        return true;
    }
    long read(std::uint8_t* data, std::size_t len, unsigned) override {
        std::size_t got = 0;
        for (; got < len && !out.empty(); ++got) {
            data[got] = out.front();
            out.pop_front();
        }
        return static_cast<long>(got);
    }
    bool discard_input() override {
        out.clear();
        return true;
    }
    bool set_dtr_rts(bool) override { return true; }

    std::uint8_t getch() override {
        if (in.empty()) {
            throw std::logic_error("the sketch waits for more than the command");
        }
        const std::uint8_t byte = in.front();
        in.pop_front();
        clock.advance_us(byte_us);
        return byte;
    }
    void put(std::uint8_t byte) override {
        out.push_back(byte);
        clock.advance_us(byte_us);
    }
    void delay_ms(double ms) override { clock.advance_us(ms * 1000.0); }
    void spin_us(double us) override { clock.advance_us(us); }
    void service() override {}

    ChipState state;
    ChipSettings settings;
    paced_clock clock;
    ChipModel chip;
    avrsim::isp_sketch sketch;
    std::deque<std::uint8_t> in;
    std::deque<std::uint8_t> out;
    std::map<std::uint8_t, int> commands; // by command byte
    static constexpr double byte_us = 10.0e6 / 19200;
};

struct Board {
    explicit Board(const char* device) {
        auto line = std::make_unique<board_wire>(device);
        wire = line.get();
        selection.requested_name = device;
        selection.detected_index = find_device(device);
        programmer = std::make_unique<arduinoisp_programmer_t>(
            stk500_link_t(std::move(line), "board", 19200), selection);
        programmer->set_reset(true);
        programmer->exchange({isp_opcode::program, isp_opcode::enable, 0x00, 0x00});
    }

    // A flash page write of `count` bytes from `address`, as the engine hands it over.
    void write_page(long address, long count, std::uint8_t seed) const {
        PageWrite page;
        for (long i = 0; i < count; ++i) {
            page.loads.push_back({address + i, std::uint8_t(seed + i * 7)});
        }
        page.address = address + count - 1;
        page.extended_address = true;
        page.time_ms = 6.0f;
        ASSERT_TRUE(programmer->write_page(page));
    }

    DeviceSelection selection;
    board_wire* wire = nullptr;
    std::unique_ptr<arduinoisp_programmer_t> programmer;
};

std::vector<std::uint8_t> range(const std::vector<std::uint8_t>& memory, long at, long count) {
    return {memory.begin() + at, memory.begin() + at + count};
}

} // namespace

TEST(ArduinoIspProgrammer, PagesAndBlocksLandWhereTheEngineAddressedThem) {
    const Board board("mega2560");
    // Two consecutive pages (the second without LOAD_ADDRESS), a half page at an odd word,
    // and pages on both sides of the 128 KB boundary.
    board.write_page(0x00000, 256, 0x11);
    board.write_page(0x00100, 256, 0x22);
    board.write_page(0x00412, 0x40, 0x33);
    board.write_page(0x1FF00, 256, 0x44);
    board.write_page(0x20000, 256, 0x55);
    board.write_page(0x3FF00, 256, 0x66);
    // The sketch counts its address on through the pages it writes, across 128 KB too: the
    // second page and the one at 0x20000 need no LOAD_ADDRESS.
    EXPECT_EQ(board.wire->commands[0x55], 4);
    const std::vector<std::uint8_t>& flash = board.wire->state.flash;
    EXPECT_EQ(flash[0x00000], 0x11);
    EXPECT_EQ(flash[0x00100], 0x22);
    EXPECT_EQ(flash[0x00411], 0xFF);
    EXPECT_EQ(flash[0x00412], 0x33);
    EXPECT_EQ(flash[0x20000], 0x55);
    EXPECT_EQ(flash[0x3FFFF], std::uint8_t(0x66 + 255 * 7));
    const struct {
        long address;
        long count;
    } blocks[] = {{0x000FF, 0x203}, {0x00411, 0x43}, {0x1FFF1, 0x0F},
                  {0x20000, 0x101}, {0x3FF01, 0xFF}, {0x00000, 1}};
    for (const auto& block : blocks) {
        std::vector<std::uint8_t> back(static_cast<std::size_t>(block.count));
        const long end = block.address + block.count - 1;
        // The engine reads inside one 128 KB block at a time.
        ASSERT_EQ(block.address >> 17, end >> 17);
        board.programmer->read_block(SLOT_CODE, block.address, block.count, back.data(), true);
        EXPECT_EQ(back, range(flash, block.address, block.count)) << block.address;
    }
}

TEST(ArduinoIspProgrammer, EepromBytesAndBlocksAtOddAddresses) {
    const Board board("mega328P");
    const long addresses[] = {0x003, 0x004, 0x3FF, 0x100};
    for (long address : addresses) {
        ASSERT_TRUE(
            board.programmer->write_byte(SLOT_DATA, address, std::uint8_t(address * 3), {}, 3.6f));
    }
    const std::vector<std::uint8_t>& eeprom = board.wire->state.eeprom;
    for (long address : addresses) {
        EXPECT_EQ(eeprom[static_cast<std::size_t>(address)], std::uint8_t(address * 3));
    }
    std::vector<std::uint8_t> back(0x1FD);
    board.programmer->read_block(SLOT_DATA, 0x003, 0x1FD, back.data(), false);
    EXPECT_EQ(back, range(eeprom, 0x003, 0x1FD));
    board.programmer->read_block(SLOT_DATA, 0x3FF, 1, back.data(), false);
    EXPECT_EQ(back[0], std::uint8_t(0x3FF * 3));
}
