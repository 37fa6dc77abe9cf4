// Instruction streams of byte writes, page loads, page writes and write waits.
#include "quarnel/isp/memory_write.h"

#include "isp_fixture.h"
#include "quarnel/adapters/os_timer.h"

#include <optional>

using namespace quarnel;

using Kind = RecordingSpi::Kind;

namespace {

std::vector<std::uint8_t> bytes_of(std::initializer_list<Instruction> instructions) {
    std::vector<std::uint8_t> out;
    for (const Instruction& instruction : instructions) {
        out.insert(out.end(), instruction.begin(), instruction.end());
    }
    return out;
}

std::vector<RecordingSpi::Call> calls_of(const RecordingSpi& spi, Kind kind) {
    std::vector<RecordingSpi::Call> out;
    for (const auto& call : spi.calls) {
        if (call.kind == kind) {
            out.push_back(call);
        }
    }
    return out;
}

} // namespace

// A writer as programming a memory starts it.
class WriterTest : public IspTest {
  protected:
    void begin(memory_slot memory) { writer.emplace(begin_memory_write(session, memory)); }
    void write(long address, std::uint8_t value) { writer->write(address, value); }
    void flush() { writer->flush(); }

    std::optional<MemoryWriter> writer;
};

class PageWriteTest : public WriterTest {
  protected:
    void SetUp() override {
        use_device("mega328P");
        begin(SLOT_CODE);
    }
};

TEST_F(PageWriteTest, CompletesWordsAroundLoadedBytes) {
    const auto loads = bytes_of({{0x40, 0x00, 0x08, 0xFF},
                                 {0x48, 0x00, 0x08, 0xA1},
                                 {0x40, 0x00, 0x09, 0xA2},
                                 {0x48, 0x00, 0x09, 0xFF}});
    const auto page_write = bytes_of({{0x4C, 0x00, 0x09, 0x00}});
    for (bool packet : {false, true}) {
        spi = RecordingSpi{};
        spi.packet = packet;
        write(0x11, 0xA1);
        write(0x12, 0xA2);
        EXPECT_EQ(spi.calls.size(), 0u) << "loads wait for the page write";
        flush();

        // A bit-banged adapter sends the loads without sampling MISO; a packet-based one
        // takes loads and page write in one call.
        std::vector<RecordingSpi::Call> expected;
        if (packet) {
            auto all = loads;
            all.insert(all.end(), page_write.begin(), page_write.end());
            expected = {{Kind::send_then_transfer, all}};
        } else {
            expected = {{Kind::send_buffer, loads}, {Kind::transfer_buffer, page_write}};
        }
        ASSERT_EQ(spi.calls.size(), expected.size() + 1) << packet;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(spi.calls[i].kind, expected[i].kind) << packet;
            EXPECT_EQ(spi.calls[i].bytes, expected[i].bytes) << packet;
        }
        EXPECT_EQ(spi.calls.back().kind, Kind::delay);
        EXPECT_FLOAT_EQ(spi.calls.back().ms, 6.0f);
        flush(); // the page is closed: nothing more to write
        EXPECT_EQ(spi.calls.size(), expected.size() + 1) << packet;
    }
}

// A gap inside a page: the word of the byte before it is completed with 0xFF before the
// byte after it is loaded, and a byte at an odd address goes after its word's low byte.
TEST_F(PageWriteTest, GapInsideAPageCompletesTheWordBeforeIt) {
    struct Case {
        long first, second;
        std::vector<Instruction> loads;
    };
    const Case cases[] = {
        {0x10,
         0x14,
         {{0x40, 0x00, 0x08, 0x01},
          {0x48, 0x00, 0x08, 0xFF},
          {0x40, 0x00, 0x0A, 0x02},
          {0x48, 0x00, 0x0A, 0xFF}}},
        {0x10,
         0x15,
         {{0x40, 0x00, 0x08, 0x01},
          {0x48, 0x00, 0x08, 0xFF},
          {0x40, 0x00, 0x0A, 0xFF},
          {0x48, 0x00, 0x0A, 0x02}}},
        {0x11,
         0x14,
         {{0x40, 0x00, 0x08, 0xFF},
          {0x48, 0x00, 0x08, 0x01},
          {0x40, 0x00, 0x0A, 0x02},
          {0x48, 0x00, 0x0A, 0xFF}}},
    };
    for (const Case& c : cases) {
        spi = RecordingSpi{};
        begin(SLOT_CODE);
        write(c.first, 0x01);
        write(c.second, 0x02);
        flush();
        std::vector<Instruction> expected = c.loads;
        expected.push_back({0x4C, 0x00, 0x0A, 0x00});
        EXPECT_EQ(spi.instructions(), expected) << c.first << " " << c.second;
    }
}

TEST_F(PageWriteTest, WritesPreviousPageBeforeLoadingTheNext) {
    write(0x7E, 0x01);
    write(0x7F, 0x02);
    write(0x80, 0x03);
    flush();

    const auto instructions = spi.instructions();
    ASSERT_EQ(instructions.size(), 6u);
    EXPECT_EQ(instructions[0], (Instruction{0x40, 0x00, 0x3F, 0x01}));
    EXPECT_EQ(instructions[1], (Instruction{0x48, 0x00, 0x3F, 0x02}));
    EXPECT_EQ(instructions[2], (Instruction{0x4C, 0x00, 0x3F, 0x00}));
    EXPECT_EQ(instructions[3], (Instruction{0x40, 0x00, 0x40, 0x03}));
    EXPECT_EQ(instructions[4], (Instruction{0x48, 0x00, 0x40, 0xFF}));
    EXPECT_EQ(instructions[5], (Instruction{0x4C, 0x00, 0x40, 0x00}));
    EXPECT_EQ(spi.count(Kind::send_then_transfer), 2) << "one call a page";
}

TEST_F(PageWriteTest, AfterEraseSkipsFfBytesAndBlankPages) {
    session.erase.erased = true;
    begin(SLOT_CODE);
    for (long a = 0; a < 128; ++a) {
        write(a, 0xFF); // a whole blank page
    }
    write(0x80, 0xFF);
    write(0x81, 0x55);
    write(0x82, 0xFF);
    flush();

    const auto sends = calls_of(spi, Kind::send_then_transfer);
    ASSERT_EQ(sends.size(), 1u) << "the blank page is neither loaded nor written";
    // The low byte 0xFF is still loaded to complete the word of 0x81.
    EXPECT_EQ(
        sends[0].bytes,
        bytes_of({{0x40, 0x00, 0x40, 0xFF}, {0x48, 0x00, 0x40, 0x55}, {0x4C, 0x00, 0x40, 0x00}}));
}

TEST_F(PageWriteTest, OverlappingBytesStartANewPageWrite) {
    spi.page_size = 128;
    write(0x02, 0x12);
    write(0x03, 0x13);
    write(0x03, 0x13); // a second image portion holding 0x03 again
    flush();

    EXPECT_EQ(spi.count_opcode(0x4C), 2);
    EXPECT_EQ(spi.flash[2], 0x12) << "the low byte of the word is not overwritten with 0xFF";
    EXPECT_EQ(spi.flash[3], 0x13);
}

TEST_F(WriterTest, ExtendedAddressGoesWithEveryPageWriteAbove128K) {
    use_device("mega2560");
    begin(SLOT_CODE);
    write(0x00100, 0x01);
    write(0x20100, 0x02);
    write(0x20200, 0x03);
    flush();

    const auto sends = calls_of(spi, Kind::send_then_transfer);
    ASSERT_EQ(sends.size(), 3u);
    const Instruction extended[] = {
        {0x4D, 0x00, 0x00, 0x00}, {0x4D, 0x00, 0x01, 0x00}, {0x4D, 0x00, 0x01, 0x00}};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& bytes = sends[i].bytes;
        ASSERT_EQ(bytes.size(), 16u) << "load, completing load, extended address, page write";
        EXPECT_EQ(Instruction({bytes[8], bytes[9], bytes[10], bytes[11]}), extended[i]) << i;
    }
}

TEST_F(PageWriteTest, NoExtendedAddressUpTo128K) {
    write(0x7F00, 0x01);
    flush();
    use_device("mega128");
    begin(SLOT_CODE);
    write(0x1FF00, 0x01);
    flush();
    EXPECT_EQ(spi.count_opcode(0x4D), 0);
}

TEST_F(WriterTest, EepromFfWrittenOnlyWhereTheEraseLeftOldData) {
    use_device("mega328P");
    session.erase.erased = true;
    begin(SLOT_DATA);
    write(0x10, 0xFF);
    EXPECT_EQ(spi.count_opcode(0xC0), 0);

    session.settings.preserve_eeprom = true; // restoring the saved EEPROM
    begin(SLOT_DATA);
    write(0x10, 0xFF);
    ASSERT_EQ(spi.count_opcode(0xC0), 1);
    EXPECT_EQ(spi.instructions().back(), (Instruction{0xC0, 0x00, 0x10, 0xFF}));
    EXPECT_FLOAT_EQ(spi.calls.back().ms, 5.0f);

    session.settings.preserve_eeprom = false;
    spi.fuses[0x5808] = 0xF7; // EESAVE programmed: the erase kept the old EEPROM
    begin(SLOT_DATA);
    write(0x11, 0xFF);
    EXPECT_EQ(spi.count_opcode(0xC0), 2);
    EXPECT_EQ(spi.eeprom[0x11], 0xFF);

    // Flash 0xFF stays skipped after an erase.
    begin(SLOT_CODE);
    write(0x10, 0xFF);
    flush();
    EXPECT_EQ(spi.count_opcode(0x40) + spi.count_opcode(0x4C), 0);
}

TEST_F(WriterTest, SlowDownScalesWaitsAndPollTimeouts) {
    use_device("mega328P", 3.0f);
    begin(SLOT_CODE);
    write(0, 0x01);
    flush();
    EXPECT_FLOAT_EQ(spi.calls.back().ms, 18.0f);

    session.settings.write_poll = true;
    spi.always_busy = true;
    begin(SLOT_CODE);
    write(0x85, 0x01);
    os_timer_t timer;
    timer.restart();
    std::string printed;
    EXPECT_EQ(status_of([&] { flush(); }, &printed), EXIT_CHIP_FAILED);
    timer.stop();
    EXPECT_EQ(printed, "Poll: can't write page at 0x80\n");
    EXPECT_GE(timer.elapsed_ms(), 72.0L) << "4 x 6 ms x 3";
}

TEST_F(WriterTest, ReadyBusyPollingWaitsUntilReady) {
    use_device("mega328P");
    session.settings.write_poll = true;
    spi.busy_polls = 3;
    begin(SLOT_DATA);
    write(7, 0x42);
    EXPECT_EQ(spi.count_opcode(0xF0), 4);
    EXPECT_EQ(spi.count(Kind::delay), 0);
    EXPECT_EQ(spi.eeprom[7], 0x42);
}

TEST_F(WriterTest, DataPollingOnByteWrittenFlash) {
    use_device("tiny12"); // no pages, 0xFF cannot be polled
    session.settings.write_poll = true;
    begin(SLOT_CODE);
    write(4, 0xFF);
    EXPECT_EQ(spi.count_opcode(0x20), 0);
    EXPECT_FLOAT_EQ(spi.calls.back().ms, 6.0f);

    write(5, 0x3C);
    EXPECT_EQ(spi.count_opcode(0x28), 1) << "polled until the byte reads back";

    spi.always_busy = true;
    std::string printed;
    os_timer_t timer;
    timer.restart();
    EXPECT_EQ(status_of([&] { write(6, 0x3C); }, &printed), EXIT_CHIP_FAILED);
    timer.stop();
    EXPECT_EQ(printed, "Poll: can't write byte to CODE memory at 0x6\n");
    EXPECT_GE(timer.elapsed_ms(), 24.0L);
}

// The host may be held up for longer than the time-out while the chip finishes its write.
TEST_F(WriterTest, PollAfterTheTimeOutStillSeesTheWriteDone) {
    struct Case {
        const char* device;
        memory_slot memory;
        std::uint8_t poll_opcode;
    };
    for (const Case& c : {Case{"mega328P", SLOT_DATA, 0xF0}, Case{"tiny12", SLOT_CODE, 0x28}}) {
        spi = RecordingSpi{};
        use_device(c.device);
        session.settings.write_poll = true;
        begin(c.memory);
        spi.always_busy = true;
        spi.on_instruction = [&](const Instruction& instruction) {
            if (instruction[0] == c.poll_opcode && spi.always_busy) {
                os_timer_t held_up;
                held_up.set_delay(4 * 6.0f + 5.0f);
                held_up.wait();
                spi.always_busy = false; // finished meanwhile
            }
        };
        EXPECT_EQ(status_of([&] { write(5, 0x3C); }), -1) << c.device;
        EXPECT_EQ(spi.count_opcode(c.poll_opcode), 2) << c.device;
    }
}

TEST_F(WriterTest, NoPollCodeWarnsAndTimesWrites) {
    use_device("mega603");
    session.settings.write_poll = true;
    const std::string printed = output_of([&] { begin(SLOT_CODE); });
    EXPECT_EQ(printed, "Warning: can't use write polling for CODE memory of mega603\n");
    write(0, 0x12);
    flush();
    EXPECT_EQ(spi.calls.back().kind, Kind::delay);
    EXPECT_FLOAT_EQ(spi.calls.back().ms, 25.0f);
}

TEST_F(WriterTest, WrongEchoOfAWriteLosesSynchronisation) {
    use_device("tiny12");
    begin(SLOT_CODE);
    spi.silent = true;
    std::string printed;
    EXPECT_EQ(status_of([&] { write(0, 0x12); }, &printed), EXIT_SYNC_LOST);
    EXPECT_EQ(printed, "\nSynchronisation lost\n");
}

TEST_F(PageWriteTest, ChipOutOfStepMidPageIsCaughtAtThePageWrite) {
    int loads = 0;
    spi.on_instruction = [&](const Instruction& instruction) {
        if (instruction[0] == 0x40 && ++loads == 3) {
            spi.silent = true;
        }
    };
    for (long a = 0; a < 16; ++a) {
        write(a, std::uint8_t(a));
    }
    std::string printed;
    EXPECT_EQ(status_of([&] { flush(); }, &printed), EXIT_SYNC_LOST);
    EXPECT_EQ(printed, "\nSynchronisation lost\n");
}
