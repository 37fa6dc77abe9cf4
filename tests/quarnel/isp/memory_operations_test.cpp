// Whole-memory operations on the recording adapter: progress, free positions, FF fill, counts.
#include "quarnel/isp/memory_operations.h"
#include "quarnel/isp/progress.h"

#include "isp_fixture.h"
#include "quarnel/image/portion_list.h"

#include <memory>
#include <numeric>

using namespace quarnel;

using Kind = RecordingSpi::Kind;

namespace {

void add(PortionList& image, long start, std::vector<std::uint8_t> bytes) {
    image.append(std::make_unique<CodePortion>(std::int32_t(start), std::int32_t(bytes.size()),
                                               bytes.data()));
}

std::vector<std::uint8_t> counting(std::size_t n, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// The text without its closing " done (<time>)" line.
std::string without_time(const std::string& printed) {
    const auto at = printed.rfind(" done (");
    return at == std::string::npos ? printed : printed.substr(0, at);
}

} // namespace

class MemoryTest : public IspTest {
  protected:
    void SetUp() override {
        use_device("mega8");
        spi.page_size = 64;
    }
};

TEST_F(MemoryTest, OneDifferenceIsReportedWithoutPluralS) {
    PortionList image;
    add(image, 0, counting(16));
    std::copy_n(counting(16).begin(), 16, spi.flash.begin());
    spi.flash[5] = 0x00;
    console.verbosity = 3;
    bool result = true;
    const std::string printed =
        output_of([&] { result = verify_memory(session, SLOT_CODE, image); });
    EXPECT_FALSE(result);
    EXPECT_EQ(without_time(printed), "Verifying CODE memory\n\n\t% Verifying from 0x0 to 0xF  "
                                     "\t% 00000005: expected 05, read 00\nfailed, 1 error \n"
                                     "  0x000005: file 05, chip 00\n"
                                     "CODE memory was not erased: programming cannot set bits "
                                     "the chip has clear; -e erases it first\n");
}

TEST_F(MemoryTest, FailedVerifyListsTheFirstEightPlacesAndNamesAMissingErase) {
    const std::string not_erased = "CODE memory was not erased: programming cannot set bits the "
                                   "chip has clear; -e erases it first\n";
    struct Case {
        const char* name;
        memory_slot memory;
        bool erased;
        std::vector<std::pair<long, std::uint8_t>> chip; // differences from the image
        std::string listing;                             // after "Verifying ...\n"
    };
    const std::vector<Case> cases = {
        {"two places, bits left clear",
         SLOT_CODE,
         false,
         {{0x05, 0x00}, {0x1FF, 0x01}},
         "failed, 2 errors\n  0x000005: file 05, chip 00\n  0x0001FF: file FF, chip 01\n" +
             not_erased},
        {"erased first",
         SLOT_CODE,
         true,
         {{0x05, 0x00}},
         "failed, 1 error \n  0x000005: file 05, chip 00\n"},
        {"a bit the file clears is set",
         SLOT_CODE,
         false,
         {{0x05, 0x00}, {0x06, 0x07}},
         "failed, 2 errors\n  0x000005: file 05, chip 00\n  0x000006: file 06, chip 07\n"},
        {"EEPROM cells erase on each write",
         SLOT_DATA,
         false,
         {{0x05, 0x00}},
         "failed, 1 error \n  0x000005: file 05, chip 00\n"},
    };
    for (const Case& c : cases) {
        PortionList image;
        add(image, 0, counting(0x200));
        auto& memory = c.memory == SLOT_CODE ? spi.flash : spi.eeprom;
        std::copy_n(counting(0x200).begin(), 0x200, memory.begin());
        for (const auto& [address, value] : c.chip) {
            memory[address] = value;
        }
        session.erase.erased = c.erased;
        const std::string printed = output_of([&] { verify_memory(session, c.memory, image); });
        const auto listed = printed.find("failed");
        ASSERT_NE(listed, std::string::npos) << c.name;
        EXPECT_EQ(without_time(printed.substr(listed)), c.listing) << c.name;
    }

    // Forty differences: eight listed, then a mark that there are more.
    PortionList image;
    add(image, 0, std::vector<std::uint8_t>(40, 0x5A));
    std::fill_n(spi.flash.begin(), 40, 0x5B);
    session.erase.erased = false;
    const std::string printed = output_of([&] { verify_memory(session, SLOT_CODE, image); });
    std::string listing = "failed, 40 errors\n";
    for (int address = 0; address < 8; ++address) {
        listing += "  0x00000" + std::to_string(address) + ": file 5A, chip 5B\n";
    }
    EXPECT_EQ(without_time(printed), "Verifying CODE memory\n" + listing + "  ...\n");
}

TEST_F(MemoryTest, FreePositionsCheckedWithVerifyAll) {
    PortionList image;
    add(image, 0, std::vector<std::uint8_t>(0x100, 0xFF));
    spi.flash[0x100] = 0x00;
    bool result = true;
    std::string printed = output_of([&] { result = verify_memory(session, SLOT_CODE, image); });
    EXPECT_TRUE(result) << "free positions are not checked by default";
    EXPECT_EQ(without_time(printed), "Verifying CODE memory\n passed\n");

    session.settings.verify_all = true;
    printed = output_of([&] { result = verify_memory(session, SLOT_CODE, image); });
    EXPECT_FALSE(result);
    EXPECT_EQ(without_time(printed),
              "Verifying CODE memory\n passed\n Free positions are NOT blank\n");
}

TEST_F(MemoryTest, FreeEepromCheckedWhenFilledWithFf) {
    PortionList image;
    add(image, 0x10, {0x01, 0x02});
    spi.eeprom[0x10] = 0x01;
    spi.eeprom[0x11] = 0x02;
    session.settings.write_fill_eeprom = true;
    bool result = false;
    std::string printed = output_of([&] { result = verify_memory(session, SLOT_DATA, image); });
    EXPECT_TRUE(result);
    EXPECT_EQ(without_time(printed),
              "Verifying DATA memory\n................ passed\n Free positions are blank\n");
    spi.eeprom[0x1FF] = 0x00;
    output_of([&] { result = verify_memory(session, SLOT_DATA, image); });
    EXPECT_FALSE(result);
}

TEST_F(MemoryTest, NestedPortionsAreNotTakenForFreePositions) {
    PortionList image;
    add(image, 0x00, counting(0x20));
    add(image, 0x08, counting(0x08, 0x08));
    add(image, 0x30, {0x30});
    std::copy_n(counting(0x20).begin(), 0x20, spi.flash.begin());
    spi.flash[0x30] = 0x30;
    session.settings.verify_all = true;
    bool result = false;
    const std::string printed =
        output_of([&] { result = verify_memory(session, SLOT_CODE, image); });
    EXPECT_TRUE(result) << printed;
}

TEST_F(MemoryTest, ReadingGivesChunkedPortions) {
    PortionList flash;
    output_of([&] { read_memory(session, SLOT_CODE, flash); });
    ASSERT_EQ(flash.count(), 16u);
    long expected_start = 0;
    for (const CodePortion& portion : flash) {
        EXPECT_EQ(portion.start, expected_start);
        EXPECT_EQ(portion.length, 512);
        expected_start += 512;
    }

    PortionList eeprom;
    output_of([&] { read_memory(session, SLOT_DATA, eeprom); });
    ASSERT_EQ(eeprom.count(), 16u);
    EXPECT_EQ(eeprom.tail()->length, 32);

    session.settings.erase_counter = true;
    PortionList counted;
    output_of([&] { read_memory(session, SLOT_CODE, counted); });
    ASSERT_EQ(counted.count(), 16u);
    EXPECT_EQ(counted.tail()->start, 0x1E00);
    EXPECT_EQ(counted.tail()->length, 510);
}

TEST_F(MemoryTest, ProgressPrintsOneDotPerChunk) {
    PortionList image;
    add(image, 0, std::vector<std::uint8_t>(1000, 0x12));
    const std::string printed = output_of([&] { program_memory(session, SLOT_CODE, image); });
    EXPECT_EQ(without_time(printed), "Programming CODE memory\n.");
    EXPECT_EQ(printed.back(), '\n');
    EXPECT_EQ(spi.flash[999], 0x12);
    EXPECT_EQ(spi.flash[1000], 0xFF);
}

TEST_F(MemoryTest, FfFillWritesEveryFreeEepromByteInOrder) {
    PortionList image;
    add(image, 0x10, {0x01, 0x02});
    add(image, 0x20, {0x03});
    std::fill(spi.eeprom.begin(), spi.eeprom.end(), 0x00);
    session.settings.write_fill_eeprom = true;
    output_of([&] { program_memory(session, SLOT_DATA, image); });
    const auto instructions = spi.instructions();
    ASSERT_EQ(instructions.size(), 512u);
    for (std::size_t a = 0; a < 512; ++a) {
        EXPECT_EQ(instructions[a][0], 0xC0);
        ASSERT_EQ(long(instructions[a][1]) << 8 | instructions[a][2], long(a));
    }
    EXPECT_EQ(spi.eeprom[0x0F], 0xFF);
    EXPECT_EQ(spi.eeprom[0x11], 0x02);
    EXPECT_EQ(spi.eeprom[0x20], 0x03);
    EXPECT_EQ(spi.eeprom[0x1FF], 0xFF);

    // Not after an erase that cleared the EEPROM.
    session.erase.erased = true;
    const int before = spi.count_opcode(0xC0);
    output_of([&] { program_memory(session, SLOT_DATA, image); });
    EXPECT_EQ(spi.count_opcode(0xC0) - before, 3);
}

TEST_F(MemoryTest, FfFillKeepsDataOfEnclosingPortions) {
    PortionList image;
    add(image, 0x00, counting(0x20, 1));
    add(image, 0x08, counting(0x08, 9)); // same bytes, nested
    add(image, 0x30, {0x30});
    session.settings.write_fill_eeprom = true;
    output_of([&] { program_memory(session, SLOT_DATA, image); });
    for (std::size_t a = 0; a < 0x20; ++a) {
        EXPECT_EQ(spi.eeprom[a], std::uint8_t(a + 1)) << a;
    }
    EXPECT_EQ(spi.eeprom[0x2F], 0xFF);
    // The fill never goes back below the end of the enclosing portion, and the nested bytes
    // are not written again: the 33 bytes of the outer portions and 0xFF once at each of the
    // 479 others.
    EXPECT_EQ(spi.count_opcode(0xC0), 0x21 + (512 - 0x21));
}

TEST_F(MemoryTest, BlankCheckReportsEachMemory) {
    std::string printed;
    unsigned result = 9;
    printed = output_of([&] { result = blank_check_memories(session, BLANK_CODE | BLANK_DATA); });
    EXPECT_EQ(result, 0u);
    EXPECT_NE(printed.find("Blank check\nCode: ................ done ("), std::string::npos)
        << printed;
    EXPECT_NE(printed.find("  blank\nData: ................ done ("), std::string::npos);

    spi.eeprom[0x1FF] = 0x00;
    printed = output_of([&] { result = blank_check_memories(session, BLANK_DATA); });
    EXPECT_EQ(result, BLANK_DATA);
    EXPECT_EQ(printed.substr(0, 18), "Blank check\nData: ");
    EXPECT_NE(printed.find(")\nData not blank\n"), std::string::npos) << printed;

    spi.flash[0] = 0x00;
    printed = output_of([&] { result = blank_check_memories(session, BLANK_CODE); });
    EXPECT_EQ(result, BLANK_CODE);
    EXPECT_NE(printed.find("Code:  done ("), std::string::npos) << "stops at the first chunk";
}

// One call per page for its loads and page write; one transfer per 512-byte read.
TEST_F(IspTest, FullProgramAndVerifyTransferCounts) {
    use_device("mega328P");
    spi.page_size = 128;
    PortionList image;
    std::vector<std::uint8_t> bytes(32768);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = std::uint8_t(i * 13 + 1);
    }
    add(image, 0, bytes);
    bool verified = false;
    output_of([&] {
        program_memory(session, SLOT_CODE, image);
        verified = verify_memory(session, SLOT_CODE, image);
    });
    EXPECT_TRUE(verified);
    // One call a page (its loads and the page write) and one exchange a 512-byte chunk.
    EXPECT_EQ(spi.count(Kind::send_buffer), 0);
    EXPECT_EQ(spi.count(Kind::send_then_transfer), 256);
    EXPECT_EQ(spi.count(Kind::transfer_buffer), 64);
    EXPECT_EQ(spi.count(Kind::transfer_byte) + spi.count(Kind::send_byte), 0);
    EXPECT_EQ(spi.count(Kind::delay), 256);
    EXPECT_EQ(spi.instructions().size(), 32768u + 256 + 32768);
    for (const auto& call : spi.calls) {
        if (call.kind == Kind::send_then_transfer) {
            ASSERT_EQ(call.bytes.size(), 129u * 4);
        } else if (call.kind == Kind::transfer_buffer) {
            ASSERT_EQ(call.bytes.size(), 512u * 4);
        }
    }
}

TEST(ProgressLine, ShareBytesRateAndTimeLeft) {
    const struct {
        long done, total;
        double elapsed_ms;
        bool finished;
        const char* line;
    } cases[] = {
        {0, 32768, 0, false, "  0% 0/32768 bytes"},
        {16384, 32768, 8000, false, " 50% 16384/32768 bytes, 2.0 kB/s, 0:08 left"},
        {512, 262144, 1000, false, "  0% 512/262144 bytes, 512 B/s, 8:31 left"},
        {32768, 32768, 16000, true, "100% 32768/32768 bytes, 2.0 kB/s"},
        // More done than expected (overlapping portions) never shows above 100 %.
        {100, 60, 1000, true, "100% 100/100 bytes, 100 B/s"},
        {0, 0, 5, true, "100% 0/0 bytes"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(progress_line(c.done, c.total, c.elapsed_ms, c.finished), c.line);
    }
}

TEST_F(IspTest, RepeatedOverlappingPortionsAreWrittenOnce) {
    use_device("mega328P");
    spi.page_size = 128;
    const struct {
        const char* name;
        memory_slot memory;
        std::vector<std::pair<long, std::size_t>> portions; // start, length
        long writes; // page writes for flash, byte writes for EEPROM: one wait each
    } cases[] = {
        {"a file given twice", SLOT_CODE, {{0, 1024}, {0, 1024}}, 8},
        {"a portion inside another", SLOT_CODE, {{0, 1024}, {256, 512}}, 8},
        {"a portion reaching past another", SLOT_CODE, {{0, 512}, {256, 512}}, 6},
        {"EEPROM bytes given three times", SLOT_DATA, {{0, 16}, {0, 16}, {8, 8}}, 16},
    };
    for (const auto& c : cases) {
        spi.calls.clear();
        PortionList image;
        for (const auto& [start, length] : c.portions) {
            add(image, start, counting(length, std::uint8_t(start)));
        }
        output_of([&] { program_memory(session, c.memory, image); });
        EXPECT_EQ(spi.count(Kind::delay), c.writes) << c.name;
        bool verified = false;
        output_of([&] { verified = verify_memory(session, c.memory, image); });
        EXPECT_TRUE(verified) << c.name;
    }
}
