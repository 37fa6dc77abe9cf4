// Intel HEX reading: line cleaning, records, blocks, checksums and bad input.
#include "quarnel/image/hex_reader.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "tests/quarnel/image/image_helpers.h"
#include "tests/support/run_program.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace quarnel;

using Layout = std::vector<std::pair<std::int32_t, std::int32_t>>;

namespace {

// A data record for `bytes` at `offset`, with its checksum.
std::string data_record(unsigned offset, const std::vector<std::uint8_t>& bytes) {
    char text[8];
    unsigned sum = static_cast<unsigned>(bytes.size()) + (offset >> 8) + (offset & 0xFF);
    std::snprintf(text, sizeof text, ":%02X%04X", static_cast<unsigned>(bytes.size()), offset);
    std::string line = std::string(text) + "00";
    for (std::uint8_t b : bytes) {
        std::snprintf(text, sizeof text, "%02X", b);
        line += text;
        sum += b;
    }
    std::snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text + "\n";
}

std::vector<std::uint8_t> counting(std::size_t n, unsigned first = 0) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

const std::string end_record = ":00000001FF\n";

struct ReadResult {
    std::string output;
    int status = 0;
    bool system_reason = false; // raised as rtl_error
};

class HexReaderTest : public testing::Test {
  protected:
    ReadResult read(const std::string& content) {
        const std::string path = dir.file("in.hex");
        write_file(path, content);
        ReadResult result;
        testing::internal::CaptureStdout();
        try {
            read_hex_file(image, path.c_str(), console_key_is_yes);
        } catch (const rtl_error& e) {
            result.status = e.code;
            result.system_reason = true;
        } catch (const app_error& e) {
            result.status = e.code;
        }
        result.output = testing::internal::GetCapturedStdout();
        return result;
    }

    TempDir dir;
    PortionList image;
};

} // namespace

TEST_F(HexReaderTest, BlanksAnywhereInALineAreIgnored) {
    const auto r = read("  :10 0000 00 000102030405060708090A0B0C0D0E0F 78 \r\n"
                        "\t:00000001FF\t\r\n");
    EXPECT_EQ(r.output, "");
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(layout(image), (Layout{{0, 16}}));
    EXPECT_EQ(bytes_of(*image.head()), counting(16));
}

TEST_F(HexReaderTest, CommentsAndBlankLinesAreSkipped) {
    const auto r = read("# made by hand\n\n   \n" + data_record(0, {1, 2}) +
                        "  # another : comment\n" + end_record);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(layout(image), (Layout{{0, 2}}));
}

TEST_F(HexReaderTest, ALongCommentLineIsSkippedWhole) {
    const auto r = read("#" + std::string(1000, 'x') + "\n" + data_record(0, {1}) + end_record);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "");
}

TEST_F(HexReaderTest, MalformedLinesAreInvalid) {
    const std::string good = ":0100000055AA";
    EXPECT_EQ(read(good + "0\n" + end_record).output, "Invalid HEX line\n':0100000055AA0'\n");
    for (const std::string& bad : {std::string("0100000055AA"), good.substr(0, good.size() - 1),
                                   std::string(":01"), std::string(":0100000G55AA"),
                                   std::string(":01000000-5AA"), std::string(":+100000055AA")}) {
        image.clear();
        const auto r = read(bad + "\n" + end_record);
        EXPECT_EQ(r.output, "Invalid HEX line\n'" + bad + "'\n") << bad;
        EXPECT_EQ(r.status, EXIT_BAD_DATA) << bad;
    }
}

TEST_F(HexReaderTest, ABadLineIsShownEscapedAndCut) {
    const std::string not_text =
        "The file is not text: a raw binary image takes the prefix :bin:, an ELF file :elf:\n";
    const struct {
        std::string content;
        std::string output;
    } cases[] = {
        // Control bytes and bytes above ASCII never reach the terminal raw.
        {std::string("\x1B[2J\x00\x01\xFF\n", 8),
         "Invalid HEX line\n'\\x1B[2J\\x00\\x01\\xFF'\n" + not_text},
        // A text line is cut after 80 characters, without the binary hint.
        {":" + std::string(100, 'G') + "\n",
         "Invalid HEX line\n':" + std::string(79, 'G') + "...'\n"},
    };
    for (const auto& c : cases) {
        image.clear();
        const auto r = read(c.content + end_record);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(r.status, EXIT_BAD_DATA);
    }
}

TEST_F(HexReaderTest, AnOverlongLineIsInvalidNotSplit) {
    // 255 data bytes make the longest valid line; 256 claimed bytes cannot fit.
    const auto ok = read(data_record(0, counting(255)) + end_record);
    EXPECT_EQ(ok.status, 0);
    image.clear();
    const std::string line = data_record(0, counting(255));
    const auto r = read(line.substr(0, line.size() - 1) + "0000\n" + end_record);
    EXPECT_EQ(r.status, EXIT_BAD_DATA);
    EXPECT_EQ(r.output.rfind("Invalid HEX line\n", 0), 0u);
}

TEST_F(HexReaderTest, ConsecutiveRecordsShareAPortionAndJumpsStartNewOnes) {
    read(data_record(0x0000, counting(16)) + data_record(0x0010, counting(16, 16)) + end_record);
    EXPECT_EQ(layout(image), (Layout{{0, 32}}));
    EXPECT_EQ(bytes_of(*image.head()), counting(32));

    image.clear();
    read(data_record(0x0010, counting(16, 16)) + data_record(0x0000, counting(16)) + end_record);
    EXPECT_EQ(layout(image), (Layout{{0x00, 16}, {0x10, 16}}));
    EXPECT_EQ(bytes_of(*image.head()), counting(16));

    image.clear();
    read(data_record(0x0000, {1}) + data_record(0x0002, {2}) + end_record);
    EXPECT_EQ(layout(image), (Layout{{0, 1}, {2, 1}}));
}

TEST_F(HexReaderTest, BlocksHoldAtMost4096Bytes) {
    std::string content;
    for (unsigned i = 0; i < 300; ++i) {
        content += data_record(i * 16, counting(16, i));
    }
    read(content + end_record);
    EXPECT_EQ(layout(image), (Layout{{0, 4096}, {4096, 704}}));
    EXPECT_EQ(image.tail()->read(4096), static_cast<std::uint8_t>(256));

    // A record that would overflow the block starts the next one whole.
    image.clear();
    content.clear();
    for (unsigned i = 0; i < 17; ++i) {
        content += data_record(i * 255, counting(255));
    }
    read(content + end_record);
    EXPECT_EQ(layout(image), (Layout{{0, 16 * 255}, {16 * 255, 255}}));
}

TEST_F(HexReaderTest, ExtendedAddressRecordsSetTheBase) {
    read(":020000040001F9\n" + data_record(0x0000, {0xAB}) + end_record);
    EXPECT_EQ(layout(image), (Layout{{0x10000, 1}}));

    image.clear();
    read(":020000021000EC\n" + data_record(0x0010, {0xCD}) + end_record);
    EXPECT_EQ(layout(image), (Layout{{0x10010, 1}}));

    // The sum of base and offset is not wrapped at 64 KB.
    image.clear();
    read(data_record(0xFFF0, counting(16)) + ":020000040001F9\n" +
         data_record(0x0000, counting(16, 16)) + end_record);
    EXPECT_EQ(layout(image), (Layout{{0xFFF0, 32}}));

    // A base record with other than two bytes is invalid.
    image.clear();
    EXPECT_EQ(read(":0100000401FA\n" + end_record).output, "Invalid HEX line\n':0100000401FA'\n");
}

TEST_F(HexReaderTest, AddressesBeyondThe32BitImageAreRefused) {
    const auto r = read(":020000048000"
                        "7A\n" +
                        data_record(0, {1}) + end_record);
    EXPECT_EQ(r.status, EXIT_BAD_DATA);
    EXPECT_EQ(r.output, "Invalid HEX line\n'" + data_record(0, {1}).substr(0, 13) + "'\n");
    image.clear();
    const auto below = read(":020000047FFF"
                            "7C\n" +
                            data_record(0xFFFF, {1}) + end_record);
    EXPECT_EQ(below.status, 0);
    EXPECT_EQ(layout(image), (Layout{{0x7FFFFFFF, 1}}));
}

TEST_F(HexReaderTest, MissingEndRecordIsUnexpectedEnd) {
    const std::string path = dir.file("in.hex");
    const auto r = read(data_record(0, {1, 2, 3}));
    EXPECT_EQ(r.output, "Unexpected end of file '" + path + "'\n");
    EXPECT_EQ(r.status, EXIT_BAD_DATA);
    EXPECT_FALSE(r.system_reason);

    image.clear();
    EXPECT_EQ(read("").output, "Unexpected end of file '" + path + "'\n");
}

TEST_F(HexReaderTest, EndRecordWithoutLineEndIsAccepted) {
    const auto r = read(data_record(0, {7}) + ":00000001FF");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(layout(image), (Layout{{0, 1}}));
}

TEST_F(HexReaderTest, NothingAfterTheEndRecordIsRead) {
    const auto r =
        read(data_record(0, {7}) + end_record + "garbage\n:zz\n" + data_record(0x40, {1}));
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(layout(image), (Layout{{0, 1}}));
}

TEST_F(HexReaderTest, WarningsForEmptyRecordsStartAddressesAndNoData) {
    const std::string path = dir.file("in.hex");
    const auto r = read(":00001000F0\n:0400000300003800C1\n:04000005000000CD2A\n" + end_record);
    EXPECT_EQ(r.output, "Zero-data HEX line ignored\n  :00001000F0\n"
                        "Start address record in HEX file ignored\n"
                        "Start address record in HEX file ignored\n"
                        "Warning: '" +
                            path + "' has no data records\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(image.empty());
}

TEST_F(HexReaderTest, UnknownRecordTypeEndsTheRead) {
    const auto r = read(":00000006FA\n" + end_record);
    EXPECT_EQ(r.output, "Unknown HEX record type 0x 6\n");
    EXPECT_EQ(r.status, EXIT_BAD_DATA);
    image.clear();
    EXPECT_EQ(read(":000000A markup\n").output, "Invalid HEX line\n':000000Amarkup'\n");
    image.clear();
    EXPECT_EQ(read(":000000AA56\n").output, "Unknown HEX record type 0xAA\n");
}

TEST_F(HexReaderTest, OverlapsAreCheckedAfterReading) {
    const auto r = read(data_record(0, counting(16)) + data_record(8, {0, 0}) + end_record);
    EXPECT_EQ(r.output, "HEX file records overlapped in addresses 0x8-0x9 with NON-equal data\n");
    EXPECT_EQ(r.status, EXIT_BAD_DATA);
}

TEST_F(HexReaderTest, UnreadableFileCannotBeOpened) {
    const std::string path = dir.file("missing.hex");
    testing::internal::CaptureStdout();
    EXPECT_THROW(read_hex_file(image, path.c_str(), console_key_is_yes), rtl_error);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open file '" + path + "'\n");
}

TEST_F(HexReaderTest, ADirectoryIsAReadError) {
    testing::internal::CaptureStdout();
    try {
        read_hex_file(image, dir.path().c_str(), console_key_is_yes);
        ADD_FAILURE() << "no error";
    } catch (const rtl_error& e) {
        EXPECT_EQ(e.code, EXIT_BAD_DATA);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Unexpected end of file '" + dir.path() + "'\n");
}

// The checksum question reads one key; without a terminal that is one byte of
// standard input, which these tests point at a file.
class HexChecksumTest : public HexReaderTest {
  protected:
    void answer(const std::string& keys) {
        const std::string path = dir.file("keys");
        write_file(path, keys);
        ASSERT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
    }
    void TearDown() override { std::freopen("/dev/null", "r", stdin); }

    const std::string bad_line = ":0100000001FF";
    const std::string bad_line2 = ":0100010002FF";
    const std::string question = "\nIgnore ALL CSUM errors (y/N)?\n";
};

TEST_F(HexChecksumTest, YesIgnoresEveryLaterChecksumErrorOfTheFile) {
    answer("y");
    const auto r = read(bad_line + "\n" + bad_line2 + "\n" + end_record);
    EXPECT_EQ(r.output, "CSUM error in line\n  " + bad_line + question);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(layout(image), (Layout{{0, 2}}));
}

TEST_F(HexChecksumTest, EachFileAsksAgain) {
    answer("YY");
    EXPECT_EQ(read(bad_line + "\n" + end_record).status, 0);
    image.clear();
    const auto second = read(bad_line + "\n" + end_record);
    EXPECT_EQ(second.output, "CSUM error in line\n  " + bad_line + question);
    EXPECT_EQ(second.status, 0);
}

TEST_F(HexChecksumTest, AnyOtherKeyOrNoInputEndsTheRun) {
    for (const std::string keys : {"n", "\n", ""}) {
        answer(keys);
        image.clear();
        const auto r = read(bad_line + "\n" + end_record);
        EXPECT_EQ(r.output, "CSUM error in line\n  " + bad_line + question);
        EXPECT_EQ(r.status, EXIT_BAD_DATA);
    }
}
