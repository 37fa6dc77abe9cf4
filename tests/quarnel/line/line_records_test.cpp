// The log's records: CSV quoting both ways, the columns, the image checksum.
#include "quarnel/image/code_portion.h"
#include "quarnel/image/image_checksum.h"
#include "quarnel/line/csv_line.h"
#include "quarnel/line/log_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace quarnel;

TEST(CsvLine, QuotesOnlyWhatNeedsItAndReadsItBack) {
    const struct {
        std::vector<std::string> fields;
        const char* line;
    } cases[] = {
        {{"a", "b", ""}, "a,b,\n"},
        {{"LOW=62 HIGH=D9"}, "LOW=62 HIGH=D9\n"},
        {{"x,y", "say \"hi\""}, "\"x,y\",\"say \"\"hi\"\"\"\n"},
        {{"two\nlines", "cr\r"}, "\"two\nlines\",\"cr\r\"\n"},
        {{""}, "\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(csv_line(c.fields), c.line);
        EXPECT_EQ(parse_csv_line(c.line), c.fields) << c.line;
    }
    EXPECT_EQ(parse_csv_line("\"open,b\n"), std::nullopt);
}

TEST(LogRecord, ColumnsInTheirOrderAndBack) {
    EXPECT_EQ(log_header(), "time,station,site,adapter,port,device,signature,serial,"
                            "image_crc32,fuses,result,status,seconds\n");
    LogRecord record{"2026-12-09T15:30:00Z",
                     "bench, 3",
                     "A",
                     "kelma",
                     "378",
                     "mega328P",
                     "1E950F",
                     "1000",
                     "1f617c6c",
                     "LOW=62 HIGH=D9 EXT=FF"};
    record.seconds = 1.234;
    const std::string line = log_line(record);
    EXPECT_EQ(line, "2026-12-09T15:30:00Z,\"bench, 3\",A,kelma,378,mega328P,1E950F,1000,"
                    "1f617c6c,LOW=62 HIGH=D9 EXT=FF,ok,0,1.23\n");
    record.status = 30;
    const auto back = parse_log_line(log_line(record));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->station, "bench, 3");
    EXPECT_EQ(back->status, 30);
    EXPECT_FALSE(back->passed());
    EXPECT_DOUBLE_EQ(back->seconds, 1.23);
    EXPECT_NE(log_line(record).find(",failed,30,"), std::string::npos);
    EXPECT_EQ(parse_log_line("a,b,c\n"), std::nullopt);
}

// zlib's crc32() values; an image is laid out from address 0 with gaps of 0xFF.
TEST(ImageChecksum, ZlibCrcOverTheImageFromAddressZero) {
    const auto* digits = reinterpret_cast<const std::uint8_t*>("123456789");
    EXPECT_EQ(crc32_update(0, digits, 9), 0xCBF43926u);
    EXPECT_EQ(crc32_update(crc32_update(0, digits, 4), digits + 4, 5), 0xCBF43926u);

    PortionList empty;
    EXPECT_EQ(image_crc32(empty), 0u);

    const std::uint8_t bytes[] = {0x12, 0x34};
    PortionList image;
    image.append(std::make_unique<CodePortion>(2, 2, bytes));
    const std::uint8_t laid_out[] = {0xFF, 0xFF, 0x12, 0x34};
    EXPECT_EQ(image_crc32(image), crc32_update(0, laid_out, sizeof laid_out));
}
