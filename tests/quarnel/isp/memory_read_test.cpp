// Reads: packet-based and byte-wise forms, 128 KB block split and extended address.
#include "quarnel/isp/memory_read.h"

#include "isp_fixture.h"

using namespace quarnel;

using Kind = RecordingSpi::Kind;

TEST_F(IspTest, PacketReadAcrossTheBlockBoundarySplitsWithExtendedAddresses) {
    use_device("mega2560");
    for (std::size_t a = 0x1FF00; a < 0x20100; ++a) {
        spi.flash[a] = std::uint8_t(a * 7);
    }
    MemoryReader reader(session);
    std::uint8_t buffer[512];
    reader.read(SLOT_CODE, buffer, 0x1FF00, 512);

    ASSERT_EQ(spi.calls.size(), 2u);
    for (int part = 0; part < 2; ++part) {
        const auto& call = spi.calls[part];
        EXPECT_EQ(call.kind, Kind::transfer_buffer);
        ASSERT_EQ(call.bytes.size(), 4u + 256 * 4);
        EXPECT_EQ(Instruction({call.bytes[0], call.bytes[1], call.bytes[2], call.bytes[3]}),
                  (Instruction{0x4D, 0x00, std::uint8_t(part), 0x00}));
    }
    // The first read of each half: word 0xFF80 even byte, then word 0 of block 1.
    EXPECT_EQ(Instruction({spi.calls[0].bytes[4], spi.calls[0].bytes[5], spi.calls[0].bytes[6],
                           spi.calls[0].bytes[7]}),
              (Instruction{0x20, 0xFF, 0x80, 0x00}));
    EXPECT_EQ(Instruction({spi.calls[1].bytes[4], spi.calls[1].bytes[5], spi.calls[1].bytes[6],
                           spi.calls[1].bytes[7]}),
              (Instruction{0x20, 0x00, 0x00, 0x00}));
    for (int i = 0; i < 512; ++i) {
        ASSERT_EQ(buffer[i], std::uint8_t((0x1FF00 + i) * 7)) << i;
    }

    // The extended address stays in force for the next read in the same block.
    reader.read(SLOT_CODE, buffer, 0x20100, 16);
    EXPECT_EQ(spi.calls.back().bytes.size(), 16u * 4);
}

TEST_F(IspTest, SmallDevicesNeverLoadTheExtendedAddress) {
    use_device("mega128");
    MemoryReader reader(session);
    std::uint8_t buffer[512];
    reader.read(SLOT_CODE, buffer, 0x1FE00, 512);
    ASSERT_EQ(spi.calls.size(), 1u);
    EXPECT_EQ(spi.calls[0].bytes.size(), 512u * 4);
    EXPECT_EQ(spi.count_opcode(0x4D), 0);
}

TEST_F(IspTest, ByteWiseReadSamplesOnlyEchoAndData) {
    use_device("mega2560");
    spi.packet = false;
    spi.flash[0x20001] = 0x5A;
    MemoryReader reader(session);
    std::uint8_t data = 0;
    reader.read(SLOT_CODE, &data, 0x20001, 1);
    EXPECT_EQ(data, 0x5A);

    ASSERT_EQ(spi.calls.size(), 5u);
    EXPECT_EQ(spi.calls[0].kind, Kind::transfer_buffer) << "extended address alone";
    EXPECT_EQ(spi.calls[0].bytes, (std::vector<std::uint8_t>{0x4D, 0x00, 0x01, 0x00}));
    EXPECT_EQ(spi.calls[1].kind, Kind::send_byte);
    EXPECT_EQ(spi.calls[1].bytes[0], 0x28);
    EXPECT_EQ(spi.calls[2].kind, Kind::transfer_byte);
    EXPECT_EQ(spi.calls[3].kind, Kind::send_byte);
    EXPECT_EQ(spi.calls[4].kind, Kind::receive_byte);
}

TEST_F(IspTest, EepromBlockIsOneTransferOnPacketAdapters) {
    use_device("mega328P");
    spi.eeprom[0x21] = 0x77;
    std::uint8_t buffer[32];
    MemoryReader(session).read(SLOT_DATA, buffer, 0x20, 32);
    ASSERT_EQ(spi.calls.size(), 1u);
    EXPECT_EQ(spi.calls[0].bytes.size(), 32u * 4);
    EXPECT_EQ(buffer[1], 0x77);
    EXPECT_EQ(spi.instructions()[1], (Instruction{0xA0, 0x00, 0x21, 0x00}));
}

TEST_F(IspTest, ReadWithWrongEchoLosesSynchronisation) {
    use_device("mega328P");
    std::uint8_t buffer[4];
    for (bool packet : {true, false}) {
        spi.packet = packet;
        spi.silent = true;
        std::string printed;
        EXPECT_EQ(status_of([&] { MemoryReader(session).read(SLOT_DATA, buffer, 0, 4); }, &printed),
                  EXIT_SYNC_LOST);
        EXPECT_EQ(printed, "\nSynchronisation lost\n");
    }
}

TEST(AllFf, EmptyAndMixedRuns) {
    const std::uint8_t bytes[] = {0xFF, 0xFF, 0xFE};
    EXPECT_TRUE(all_ff(bytes, 0));
    EXPECT_TRUE(all_ff(bytes, 2));
    EXPECT_FALSE(all_ff(bytes, 3));
}
