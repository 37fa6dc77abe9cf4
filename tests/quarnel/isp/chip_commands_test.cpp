// Lock state, chip erase with the correction sequence, and lock-bit writes.
#include "quarnel/isp/chip_commands.h"

#include "isp_fixture.h"
#include "quarnel/isp/programming_mode.h"

using namespace quarnel;

using Kind = RecordingSpi::Kind;

TEST_F(IspTest, LockStateByLockFormat) {
    struct Case {
        const char* device;
        std::uint8_t read;
        int state;
    } cases[] = {
        {"90S4434", 0xFF, 0}, {"90S4434", 0x7F, 1}, {"90S4434", 0x3F, 2}, {"90S4434", 0xBF, 2},
        {"90S2333", 0xFF, 0}, {"90S2333", 0xFD, 1}, {"90S2333", 0xF9, 2}, {"mega8", 0xFF, 0},
        {"mega8", 0xFE, 1},   {"mega8", 0xFC, 2},   {"mega8", 0xF3, 0},
    };
    for (const Case& c : cases) {
        use_device(c.device);
        spi.fuses[0x5800] = c.read;
        read_lock_state(session);
        EXPECT_EQ(session.lock_state, c.state) << c.device << " " << int(c.read);
    }
    use_device("90S1200");
    const std::size_t sent = spi.instructions().size();
    read_lock_state(session);
    EXPECT_EQ(session.lock_state, LOCK_UNKNOWN);
    EXPECT_EQ(spi.instructions().size(), sent) << "nothing sent";
}

TEST_F(IspTest, ChipEraseWaitsScaledAndPulsesReset) {
    use_device("tiny13", 5.0f); // 20 ms erase time
    session.settings.inactive_reset_ms = 2.0f;
    chip_erase(session);
    ASSERT_EQ(spi.calls.size(), 5u);
    EXPECT_EQ(spi.calls[0].bytes, (std::vector<std::uint8_t>{0xAC, 0x80, 0x00, 0x00}));
    EXPECT_FLOAT_EQ(spi.calls[1].ms, 100.0f);
    EXPECT_FALSE(spi.calls[2].on);
    EXPECT_FLOAT_EQ(spi.calls[3].ms, 2.0f);
    EXPECT_TRUE(spi.calls[4].on);
}

TEST_F(IspTest, Tiny12EraseSendsTheCorrectionSequence) {
    use_device("tiny12");
    spi.signature = 0x1E9005;
    spi.flash[0] = 0x00;
    console.verbosity = 3;
    std::string printed = output_of([&] {
        enter_programming_mode(session);
        erase_device(session);
    });
    EXPECT_NE(printed.find("tiny12 erase bug correction\n"), std::string::npos);
    EXPECT_NE(printed.find("Device erased\n"), std::string::npos);

    std::vector<std::uint8_t> opcodes;
    for (const Instruction& instruction : spi.instructions()) {
        if (instruction[0] == 0xAC) {
            opcodes.push_back(instruction[1]);
        } else if (instruction[0] == 0x40) {
            EXPECT_EQ(instruction, (Instruction{0x40, 0x00, 0x00, 0xFF}));
            opcodes.push_back(0x40);
        }
    }
    // Enable, erase, enable, write FF at 0, erase, enable.
    EXPECT_EQ(opcodes, (std::vector<std::uint8_t>{0x53, 0x80, 0x53, 0x40, 0x80, 0x53}));
    EXPECT_TRUE(session.erase.erased);
}

TEST_F(IspTest, PlainEraseReentersAndRereadsLock) {
    use_device("mega328P");
    spi.fuses[0x5800] = 0xFC;
    output_of([&] { erase_device(session); });
    EXPECT_EQ(spi.count_opcode(0x58), 1);
    EXPECT_EQ(spi.count_opcode(0x30), 3);
    EXPECT_EQ(session.lock_state, 2);
    EXPECT_TRUE(session.erase.erased);
}

TEST_F(IspTest, LockWritesByFormat) {
    use_device("mega8");
    spi.fuses[0x5800] = 0xF3; // BLB0 programmed
    EXPECT_EQ(write_lock_bits(session, 2), 2);
    EXPECT_EQ(spi.instructions().back(), (Instruction{0xAC, 0xE0, 0x00, 0xF0}));
    EXPECT_FLOAT_EQ(spi.calls.back().ms, 20.0f);

    use_device("tiny13"); // no boot lock fields
    EXPECT_EQ(write_lock_bits(session, 1), 1);
    EXPECT_EQ(spi.instructions().back(), (Instruction{0xAC, 0xE0, 0x00, 0xFE}));

    use_device("90S2313");
    write_lock_bits(session, 1);
    EXPECT_EQ(spi.instructions().back(), (Instruction{0xAC, 0xFD, 0x00, 0x00}));
    write_lock_bits(session, 2);
    EXPECT_EQ(spi.instructions().back(), (Instruction{0xAC, 0xF9, 0x00, 0x00}));
}
