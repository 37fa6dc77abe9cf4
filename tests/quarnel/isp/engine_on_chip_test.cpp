// The ISP engine against the virtual chip model in-process: whole runs, fuses, faults.
#include "isp_fixture.h"
#include "quarnel/image/portion_list.h"
#include "quarnel/isp/chip_commands.h"
#include "quarnel/isp/fuse_operations.h"
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/programming_mode.h"
#include "tests/support/chip_spi.h"

#include <memory>
#include <optional>

using namespace quarnel;

namespace {

std::vector<std::uint8_t> firmware(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245 + 12345;
        b = std::uint8_t(x >> 16);
    }
    return bytes;
}

std::vector<std::uint8_t> contents(const PortionList& image) {
    std::vector<std::uint8_t> out;
    long next = 0;
    for (const CodePortion& portion : image) {
        EXPECT_EQ(portion.start, next);
        out.insert(out.end(), portion.bytes(), portion.bytes() + portion.length);
        next = portion.start + portion.length;
    }
    return out;
}

} // namespace

class ChipTest : public IspTest, public testing::WithParamInterface<chip_spi_t::transfer_mode> {
  protected:
    // A chip of `device` in the socket, the engine in programming mode on it.
    void connect(const char* device, ChipSettings settings = {}) {
        chip = std::make_unique<chip_spi_t>(device, settings, GetParam());
        // The engine times its polls on the host clock.
        chip->clock().follow_host();
        attach(*chip);
        session.device.requested_name = device;
        const std::string printed = output_of([&] { enter_programming_mode(session); });
        ASSERT_EQ(session.device.detected_index, find_device(device)) << printed;
        session.waits = write_waits(session.current_device(), 1.0f);
    }

    std::unique_ptr<chip_spi_t> chip;
};

INSTANTIATE_TEST_SUITE_P(Adapters, ChipTest,
                         testing::Values(chip_spi_t::transfer_mode::byte_wise,
                                         chip_spi_t::transfer_mode::packet_based),
                         [](const auto& test_info) {
                             return test_info.param == chip_spi_t::transfer_mode::byte_wise
                                        ? "ByteWise"
                                        : "Packet";
                         });

TEST_P(ChipTest, ProgramVerifyAndReadBack32K) {
    connect("mega328P");
    const auto bytes = firmware(32768);
    PortionList image;
    image.append(std::make_unique<CodePortion>(0, 32768, bytes.data()));
    bool verified = false;
    PortionList read_back;
    output_of([&] {
        erase_device(session);
        program_memory(session, SLOT_CODE, image);
        verified = verify_memory(session, SLOT_CODE, image);
        read_memory(session, SLOT_CODE, read_back);
    });
    EXPECT_TRUE(verified);
    EXPECT_EQ(chip->state().flash, bytes);
    EXPECT_EQ(contents(read_back), bytes);
}

TEST_P(ChipTest, EepromWithPollingAndFfFill) {
    connect("mega328P");
    session.settings.write_poll = true;
    session.settings.write_fill_eeprom = true;
    std::fill(chip->state().eeprom.begin(), chip->state().eeprom.end(), 0x5A);
    PortionList image;
    const std::uint8_t data[] = {0x01, 0xFF, 0x00, 0x80};
    image.append(std::make_unique<CodePortion>(0x40, 4, data));
    bool verified = false;
    const double delayed_before = chip->delayed_ms;
    output_of([&] {
        program_memory(session, SLOT_DATA, image);
        verified = verify_memory(session, SLOT_DATA, image);
    });
    EXPECT_TRUE(verified);
    EXPECT_EQ(chip->state().eeprom[0x3F], 0xFF);
    EXPECT_EQ(chip->state().eeprom[0x43], 0x80);
    EXPECT_EQ(chip->state().eeprom.back(), 0xFF);
    EXPECT_EQ(chip->delayed_ms, delayed_before) << "every write polled";
}

TEST_P(ChipTest, BlankCheckBeforeAndAfterErase) {
    connect("mega8");
    chip->state().flash[0x1234] = 0x00;
    chip->state().eeprom[7] = 0x00;
    unsigned result = 0;
    output_of([&] { result = blank_check_memories(session, BLANK_CODE | BLANK_DATA); });
    EXPECT_EQ(result, BLANK_CODE | BLANK_DATA);
    output_of([&] {
        erase_device(session);
        result = blank_check_memories(session, BLANK_CODE | BLANK_DATA);
    });
    EXPECT_EQ(result, 0u);
}

// With EESAVE programmed the erase keeps the EEPROM, so its 0xFF bytes must be written.
TEST_P(ChipTest, EepromKeptByTheEraseIsProgrammedWhole) {
    connect("mega8");
    chip->state().fuses[2] = 0xD1; // EESAVE programmed
    std::fill(chip->state().eeprom.begin(), chip->state().eeprom.end(), 0x11);
    session.settings.write_fill_eeprom = true;
    const std::uint8_t data[] = {0x22, 0xFF, 0x33, 0xFF};
    PortionList image;
    image.append(std::make_unique<CodePortion>(0x20, 4, data));
    bool verified = false;
    output_of([&] {
        erase_device(session);
        program_memory(session, SLOT_DATA, image);
        verified = verify_memory(session, SLOT_DATA, image);
    });
    EXPECT_TRUE(verified);
    EXPECT_TRUE(std::equal(data, data + 4, chip->state().eeprom.begin() + 0x20));
    EXPECT_TRUE(std::all_of(chip->state().eeprom.begin(), chip->state().eeprom.begin() + 0x20,
                            [](std::uint8_t b) { return b == 0xFF; }))
        << "free positions filled";
}

TEST_P(ChipTest, FusesReadMergedWrittenAndVerified) {
    connect("mega8");
    chip->state().fuses[0] = 0xFF;
    chip->state().fuses[1] = 0xE1;
    chip->state().fuses[2] = 0xD9;
    output_of([&] {
        parse_fuse_list(std::optional<std::string>("CKSEL=F,BLB0=0"), session.current_device(),
                        session.fuses);
    });
    read_fuses(session);
    EXPECT_FALSE(fuses_need_erase(session));
    bool verified = false;
    output_of([&] {
        program_fuses(session);
        verified = verify_fuses(session);
    });
    EXPECT_TRUE(verified);
    EXPECT_EQ(chip->state().fuses[1], 0xEF);
    EXPECT_EQ(chip->state().fuses[2], 0xD9);
    EXPECT_EQ(chip->state().fuses[0] & 0x3F, 0x33);

    session.fuses = FuseRequest{};
    output_of([&] {
        parse_fuse_list(std::optional<std::string>("BLB0=3"), session.current_device(),
                        session.fuses);
    });
    read_fuses(session);
    EXPECT_TRUE(fuses_need_erase(session));
}

TEST_P(ChipTest, LockLevelsHideTheChipAndEraseReleasesThem) {
    connect("mega8");
    output_of([&] { write_lock_bits(session, 2); });
    read_lock_state(session);
    EXPECT_EQ(session.lock_state, 2);
    output_of([&] { erase_device(session); });
    EXPECT_EQ(session.lock_state, 0);
}

TEST_P(ChipTest, WriteThatNeverFinishesFailsWhenPolling) {
    ChipSettings settings;
    settings.writes_never_finish = true;
    connect("mega328P", settings);
    session.settings.write_poll = true;
    const std::uint8_t data[] = {0x12, 0x34};
    PortionList image;
    image.append(std::make_unique<CodePortion>(0x102, 2, data));
    std::string printed;
    EXPECT_EQ(status_of([&] { program_memory(session, SLOT_CODE, image); }, &printed),
              EXIT_CHIP_FAILED);
    EXPECT_EQ(printed, "Programming CODE memory\nPoll: can't write page at 0x100\n");
}

TEST_P(ChipTest, ChipLosingStepMidPageLosesSynchronisation) {
    ChipSettings settings;
    settings.lose_step_after = 20; // well inside the first page's loads
    connect("mega328P", settings);
    const auto bytes = firmware(256);
    PortionList image;
    image.append(std::make_unique<CodePortion>(0, 256, bytes.data()));
    std::string printed;
    EXPECT_EQ(status_of([&] { program_memory(session, SLOT_CODE, image); }, &printed),
              EXIT_SYNC_LOST);
    EXPECT_EQ(printed.substr(printed.size() - 22), "\nSynchronisation lost\n");
}

TEST_P(ChipTest, NewChipOutOfStepIsResynchronisedByAResetPulse) {
    ChipSettings settings;
    settings.slip_bits = 5;
    connect("mega8", settings);
    EXPECT_EQ(chip->reset_pulses, 1);
    EXPECT_EQ(chip->sck_pulses, 0);
}

TEST_P(ChipTest, OldChipOutOfStepIsResynchronisedBySckPulses) {
    for (int slip : {1, 3, 7, 31}) {
        ChipSettings settings;
        settings.slip_bits = slip;
        connect("90S2313", settings);
        EXPECT_EQ(chip->reset_pulses, 1) << slip;
        EXPECT_EQ(chip->sck_pulses, 32 - slip) << "one bit per pulse";
    }
}

TEST_P(ChipTest, Tiny12EraseCorrectionLeavesABlankChip) {
    connect("tiny12");
    std::fill(chip->state().flash.begin(), chip->state().flash.end(), 0x00);
    unsigned result = 1;
    output_of([&] {
        erase_device(session);
        result = blank_check_memories(session, BLANK_CODE);
    });
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(chip->reset_assertions, 3) << "entry, then after each of the two erases";
}

// Data polling must not take a chip's busy answer (0x7F, 0x80, 0x00, 0xFF) for the byte.
TEST_P(ChipTest, PolledByteWritesOnOldChipsLandWhole) {
    const std::uint8_t data[] = {0x7F, 0x80, 0x00, 0x12, 0xFF, 0x7F, 0x80, 0x34};
    for (const char* device : {"90S2313", "90S4434", "tiny12"}) {
        connect(device);
        session.settings.write_poll = true;
        for (memory_slot memory : {SLOT_CODE, SLOT_DATA}) {
            PortionList image;
            image.append(std::make_unique<CodePortion>(0x10, 8, data));
            std::string printed;
            EXPECT_EQ(status_of([&] { program_memory(session, memory, image); }, &printed), -1)
                << device << printed;
            const auto& chip_memory =
                memory == SLOT_CODE ? chip->state().flash : chip->state().eeprom;
            EXPECT_TRUE(std::equal(data, data + 8, chip_memory.begin() + 0x10))
                << device << " " << memory_names[memory];
        }
    }
}
