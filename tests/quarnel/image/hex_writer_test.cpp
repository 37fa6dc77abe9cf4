// Intel HEX writing: 16-byte lines, 0xFF skipping and extended linear addresses.
#include "quarnel/image/hex_writer.h"

#include "tests/quarnel/image/image_helpers.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace quarnel;

namespace {

std::string hex_text(const PortionList& image, ff_lines ff) {
    return written_text([&](std::FILE* out) { write_hex_image(image, out, ff); });
}

} // namespace

TEST(HexWriter, LinesOfSixteenBytesWithChecksums) {
    PortionList image;
    std::vector<std::uint8_t> bytes(20);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    add_portion(image, 0, bytes);
    EXPECT_EQ(hex_text(image, ff_lines::skip), ":10000000000102030405060708090A0B0C0D0E0F78\n"
                                               ":0400100010111213A6\n"
                                               ":00000001FF\n");
}

TEST(HexWriter, ErasedLinesAreSkippedButAddressZeroIsKept) {
    PortionList image;
    add_filled(image, 0, 64, 0xFF);
    EXPECT_EQ(hex_text(image, ff_lines::skip),
              ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\n:00000001FF\n");
    const std::string kept = hex_text(image, ff_lines::keep);
    EXPECT_EQ(kept, ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\n"
                    ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0\n"
                    ":10002000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFE0\n"
                    ":10003000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD0\n"
                    ":00000001FF\n");
}

TEST(HexWriter, ALineAfterASkippedOneCarriesItsOwnAddress) {
    PortionList image;
    CodePortion* p = add_filled(image, 0x100, 48, 0xFF);
    p->write(0x100, 0x01);
    p->write(0x12F, 0x02);
    EXPECT_EQ(hex_text(image, ff_lines::skip), ":1001000001FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD\n"
                                               ":10012000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF02DC\n"
                                               ":00000001FF\n");
}

TEST(HexWriter, LinesAreCountedFromEachPortionsStart) {
    PortionList image;
    add_filled(image, 0x08, 20, 0x00);
    const std::string text = hex_text(image, ff_lines::skip);
    EXPECT_EQ(text, ":1000080000000000000000000000000000000000E8\n"
                    ":0400180000000000E4\n"
                    ":00000001FF\n");
}

TEST(HexWriter, ExtendedLinearAddressOnlyWhereTheUpperBitsChange) {
    PortionList image;
    add_filled(image, 0xFFF0, 32, 0x00);
    add_filled(image, 0x10020, 16, 0x11);
    EXPECT_EQ(hex_text(image, ff_lines::skip), ":10FFF00000000000000000000000000000000000"
                                               "01\n"
                                               ":020000040001F9\n"
                                               ":1000000000000000000000000000000000000000F0\n"
                                               ":1000200011111111111111111111111111111111C0\n"
                                               ":00000001FF\n");

    // No record at all below 64 KB; one back to 0 after a higher portion.
    PortionList low_high_low;
    add_filled(low_high_low, 0x10000, 1, 0x00);
    add_filled(low_high_low, 0x20, 1, 0x00);
    EXPECT_EQ(hex_text(low_high_low, ff_lines::skip), ":020000040001F9\n"
                                                      ":0100000000FF\n"
                                                      ":020000040000FA\n"
                                                      ":0100200000DF\n"
                                                      ":00000001FF\n");
}

TEST(HexWriter, AnEmptyImageIsOnlyTheEndRecord) {
    PortionList image;
    EXPECT_EQ(hex_text(image, ff_lines::keep), ":00000001FF\n");
}
