// Serial-number files are read strictly: one decimal number alone on its line, nothing guessed.
#include "platform/number_file.h"

#include <gtest/gtest.h>

TEST(NumberFile, ReadsOnlyADecimalNumberAloneOnItsLine) {
    struct Case {
        const char* text;
        bool read;
        std::uint32_t number;
        const char* rest;
    };
    const Case cases[] = {
        {"41\n", true, 41, ""},
        {"41", true, 41, ""},
        {"  41 \t\r\nbatch A\n", true, 41, "batch A\n"},
        {"\n\n41\nbatch A\nline 2", true, 41, "batch A\nline 2"},
        {"0000000000000000042\n", true, 42, ""},
        {"4294967295\n", true, 4294967295u, ""},
        {"4294967296\n", false, 0, ""},
        {"99999999999999999999\n", false, 0, ""},
        {"0x10\n", false, 0, ""},
        {"1e3\n", false, 0, ""},
        {"12abc\n", false, 0, ""},
        {"12 13\n", false, 0, ""},
        {"-5\n", false, 0, ""},
        {"+5\n", false, 0, ""},
        {"41\r", false, 0, ""},
        {"", false, 0, ""},
        {" \n", false, 0, ""},
        {"batch\n41\n", false, 0, ""},
    };
    for (const Case& c : cases) {
        const auto parsed = platform::parse_number_file(c.text);
        ASSERT_EQ(parsed.has_value(), c.read) << c.text;
        if (parsed) {
            EXPECT_EQ(parsed->number, c.number) << c.text;
            EXPECT_EQ(parsed->rest, c.rest) << c.text;
        }
    }
    EXPECT_EQ(platform::number_file_content(4294967296u, "\r\n", "batch A\n"),
              "4294967296\r\nbatch A\n");
}
