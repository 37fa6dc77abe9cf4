// Fuse reads, merging, writes and verification, calibration bytes, fuse and lock printouts.
#include "quarnel/isp/fuse_operations.h"

#include "isp_fixture.h"
#include "tests/support/golden_text.h"

#include <optional>

using namespace quarnel;

class FuseTest : public IspTest {
  protected:
    // Device, its chip bytes, and the -f list.
    void request(const char* device, const char* list) {
        use_device(device);
        output_of([&] {
            parse_fuse_list(std::optional<std::string>(list), session.current_device(),
                            session.fuses);
        });
        read_fuses(session);
    }

    std::vector<Instruction> writes() const {
        std::vector<Instruction> out;
        for (const Instruction& instruction : spi.instructions()) {
            if (instruction[0] == 0xAC) {
                out.push_back(instruction);
            }
        }
        return out;
    }
};

TEST_F(FuseTest, RequestedFieldIsMergedIntoTheReadByte) {
    spi.fuses = {{0x5000, 0xE1}, {0x5800, 0xFF}, {0x5808, 0xD9}};
    request("mega8", "CKSEL=F");
    EXPECT_EQ(output_of([&] { program_fuses(session); }), "Programming fuses\n");
    EXPECT_EQ(writes(), (std::vector<Instruction>{{0xAC, 0xA0, 0x00, 0xEF}}));
    EXPECT_FLOAT_EQ(spi.calls.back().ms, 40.0f) << "four EEPROM write times";
    EXPECT_EQ(session.fuses.bytes[FUSE_LOW].wanted, 0xEF);
}

TEST_F(FuseTest, BootLockRequestKeepsLockBitsUnprogrammed) {
    spi.fuses = {{0x5000, 0xE1}, {0x5800, 0xFF}, {0x5808, 0xD9}};
    request("mega8", "BLB0=0");
    EXPECT_FALSE(fuses_need_erase(session));
    output_of([&] { program_fuses(session); });
    EXPECT_EQ(writes(), (std::vector<Instruction>{{0xAC, 0xE0, 0x00, 0xF3}}));
}

TEST_F(FuseTest, ReleasingABootLockNeedsAnErase) {
    spi.fuses = {{0x5800, 0xF3}};
    request("mega8", "BLB0=3");
    EXPECT_TRUE(fuses_need_erase(session));
    session.fuses = FuseRequest{};
    request("mega8", "BLB1=0");
    EXPECT_FALSE(fuses_need_erase(session));
    session.fuses = FuseRequest{};
    request("mega8", "CKSEL=F");
    EXPECT_FALSE(fuses_need_erase(session));
}

TEST_F(FuseTest, SingleFuseByteFormatWritesAndVerifiesBitZero) {
    spi.fuses = {{0x5800, 0xFF}};
    request("90S4434", "FSTRT=0");
    output_of([&] { program_fuses(session); });
    EXPECT_EQ(writes(), (std::vector<Instruction>{{0xAC, 0xBE, 0x00, 0x00}}));

    spi.fuses[0x5800] = 0xFE;
    EXPECT_EQ(output_of([&] { EXPECT_TRUE(verify_fuses(session)); }), "Verifying fuses\npassed\n");
    spi.fuses[0x5800] = 0x01;
    EXPECT_EQ(output_of([&] { EXPECT_FALSE(verify_fuses(session)); }),
              "Verifying fuses\n  FSTRT   : expected 0, read 1\nVerifying of fuses failed\n");
}

TEST_F(FuseTest, VerificationIgnoresFieldsNotNamed) {
    spi.fuses = {{0x5000, 0xE1}, {0x5800, 0xFF}, {0x5808, 0xD9}};
    request("mega8", "CKSEL=F,BODEN=ON");
    output_of([&] { program_fuses(session); });
    spi.fuses[0x5000] = 0x2F; // BODLEVEL and SUT changed, the requested fields hold
    spi.fuses[0x5808] = 0x00;
    EXPECT_EQ(output_of([&] { EXPECT_TRUE(verify_fuses(session)); }), "Verifying fuses\npassed\n");
    spi.fuses[0x5000] = 0xE1;
    EXPECT_EQ(output_of([&] { EXPECT_FALSE(verify_fuses(session)); }),
              "Verifying fuses\n  BODEN   : expected 0, read 1\n  CKSEL   : expected F, read "
              "1\nVerifying of fuses failed\n");
}

TEST_F(FuseTest, FormatThreeReadsInOrderAndWritesOnlyRequestedBytes) {
    spi.fuses = {{0x5000, 0x62}, {0x5800, 0xFF}, {0x5808, 0xD9}, {0x5008, 0xFF}};
    request("mega328P", "_HIGH=D1,BODLEVEL=5");
    std::vector<std::uint16_t> reads;
    for (const Instruction& instruction : spi.instructions()) {
        reads.push_back(std::uint16_t(instruction[0] << 8 | instruction[1]));
    }
    EXPECT_EQ(reads, (std::vector<std::uint16_t>{0x5000, 0x5800, 0x5808, 0x5008}));
    output_of([&] { program_fuses(session); });
    EXPECT_EQ(writes(),
              (std::vector<Instruction>{{0xAC, 0xA8, 0x00, 0xD1}, {0xAC, 0xA4, 0x00, 0xFD}}));
}

TEST_F(FuseTest, FusePrintoutShowsCalibrationBytesAndFields) {
    spi.fuses = {{0x5000, 0xE1}, {0x5800, 0xFF}, {0x5808, 0xD9}};
    use_device("mega8");
    read_osccal(session);
    read_fuses(session);
    EXPECT_EQ(output_of([&] { print_fuse_values(session, "Fuses ", fuse_read_values(session)); }),
              golden_text("quarnel/fuse-values-mega8.txt"));
}

TEST_F(FuseTest, CalibrationLineByCount) {
    use_device("tiny2313");
    read_osccal(session);
    std::string printed =
        output_of([&] { print_fuse_values(session, "X", fuse_read_values(session)); });
    EXPECT_EQ(printed.substr(0, printed.find("_LOW")), "X\n  OSCCALs\t= 9A 9B\n");

    use_device("mega163");
    read_osccal(session);
    printed = output_of([&] { print_fuse_values(session, "X", fuse_read_values(session)); });
    EXPECT_EQ(printed.substr(0, printed.find("_LOCK")), "X\n  OSCCAL \t= 9A\n");

    use_device("90S2313");
    EXPECT_EQ(output_of([&] { print_fuse_values(session, "New fuses value", {}); }),
              "New fuses value\n");
    EXPECT_EQ(spi.count_opcode(0x38), 3);
}

TEST_F(IspTest, LockStatePrintout) {
    const char* expected[] = {"Chip not locked\n", "Chip locked - programming disabled\n",
                              "Chip locked - reading and programming disabled\n",
                              "Lock state unknown\n"};
    for (int state = 0; state <= 3; ++state) {
        session.lock_state = state == 3 ? LOCK_UNKNOWN : state;
        EXPECT_EQ(output_of([&] { print_lock_state(session); }), expected[state]);
    }
}

TEST_F(IspTest, FuseWriteWithWrongEchoLosesSynchronisation) {
    use_device("mega8");
    spi.silent = true;
    std::string printed;
    EXPECT_EQ(status_of([&] { write_fuse_byte(session, 0xA0, 0xEF); }, &printed), EXIT_SYNC_LOST);
    EXPECT_EQ(printed, "\nSynchronisation lost\n");
}
