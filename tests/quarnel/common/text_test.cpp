// Trimming, comment stripping and tokens of configuration lines.
#include "quarnel/common/text.h"

#include <gtest/gtest.h>
#include <string>

using namespace quarnel;

TEST(Text, TrimAndComments) {
    char line[] = "  mosi = D5 \t\r\n";
    EXPECT_STREQ(trim(line), "mosi = D5");
    char right[] = " \t";
    EXPECT_STREQ(trim_right(right), "");
    char comment[] = "sck=D6 ; note # more";
    strip_comment(comment);
    EXPECT_STREQ(comment, "sck=D6 ");
    char hash_first[] = "a#b;c";
    strip_comment(hash_first);
    EXPECT_STREQ(hash_first, "a");
}

TEST(Text, TokensSkipDelimitersAndAreCutToTheDestination) {
    const char* text = " ,reset, ~D4";
    char token[4];
    text = next_token(text, " ,", token, sizeof token);
    EXPECT_STREQ(token, "res"); // cut to size - 1, the text goes on after the whole token
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, ", ~D4");
    text = next_token(text, " ,", token, sizeof token);
    EXPECT_STREQ(token, "~D4");
    EXPECT_EQ(next_token(text, " ,", token, sizeof token), nullptr);
    EXPECT_STREQ(token, "");
    EXPECT_EQ(next_token(nullptr, " ", token, sizeof token), nullptr);
}

TEST(Text, FileLinesAreShownEscapedAndCut) {
    const struct {
        std::string line;
        std::string shown;
        bool text;
    } cases[] = {
        {":0100000055AA", ":0100000055AA", true},
        {"a\tb", "a\\x09b", true},
        {std::string("\x1B[2J\x00\x7F\xC3", 7), "\\x1B[2J\\x00\\x7F\\xC3", false},
        {std::string(80, 'x'), std::string(80, 'x'), true},
        {std::string(81, 'x'), std::string(80, 'x') + "...", true},
        // An escape that would pass the limit is left out whole.
        {std::string(78, 'x') + "\x01", std::string(78, 'x') + "...", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown_line(c.line), c.shown) << c.shown;
        EXPECT_EQ(is_text_line(c.line), c.text) << c.shown;
    }
}
