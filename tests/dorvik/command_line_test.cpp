// Switch matching, values, number conversion, the ini file text and the usage encoding.
#include "dorvik/command_line.h"

#include "dorvik/ini_file.h"
#include "dorvik/text_encoding.h"

#include <gtest/gtest.h>

using namespace dorvik;

TEST(DorvikCommandLine, SwitchesArePrefixesComparedWithCase) {
    EXPECT_TRUE(has_switch("-rf=a.hex", "-rf"));
    EXPECT_TRUE(has_switch("-erase", "-er"));
    EXPECT_FALSE(has_switch("-RF=a.hex", "-rf"));
    EXPECT_FALSE(has_switch("-r", "-rf"));
}

TEST(DorvikCommandLine, SwitchValueIsTheTextAfterTheFirstEquals) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(switch_value("-rf=a=b.hex"), "a=b.hex");
    EXPECT_EQ(switch_value("-rf="), std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(switch_value("-rf"), std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  Error write command.\n");
}

TEST(DorvikCommandLine, HexNumbersHaveALimitedNumberOfDigits) {
    EXPECT_EQ(parse_hex("378", 3), 0x378u);
    EXPECT_EQ(parse_hex("fF", 2), 0xFFu);
    EXPECT_EQ(parse_hex("0378", 3), std::nullopt);
    EXPECT_EQ(parse_hex("", 2), std::nullopt);
    EXPECT_EQ(parse_hex("0x", 2), std::nullopt);
    EXPECT_EQ(parse_hex("1G", 2), std::nullopt);
}

TEST(DorvikCommandLine, DecimalNumbersAreUnsigned32Bit) {
    EXPECT_EQ(parse_decimal("0"), 0u);
    EXPECT_EQ(parse_decimal("4294967295"), 4294967295u);
    EXPECT_EQ(parse_decimal("4294967296"), std::nullopt);
    EXPECT_EQ(parse_decimal("-1"), std::nullopt);
    EXPECT_EQ(parse_decimal("12a"), std::nullopt);
    EXPECT_EQ(parse_decimal(""), std::nullopt);
}

TEST(DorvikCommandLine, BadSwitchValuesAreRefusedWithAMessage) {
    std::optional<std::uint8_t> byte;
    std::optional<std::uint32_t> number;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(hex_byte_switch("-wlf=e4", byte));
    EXPECT_EQ(byte, 0xE4);
    EXPECT_FALSE(hex_byte_switch("-wlf=1234", byte));
    EXPECT_TRUE(decimal_switch("-ws=", number));
    EXPECT_EQ(number, std::nullopt);
    EXPECT_FALSE(decimal_switch("-ws=7x", number));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Error: 1234 is no hexadecimal byte.\n  Error: 7x is no decimal number.\n");
}

TEST(DorvikIniFile, PortAddressIsTheFirstThreeHexDigits) {
    EXPECT_EQ(ini_port_value("378"), 0x378u);
    EXPECT_EQ(ini_port_value("278\r\n"), 0x278u);
    EXPECT_EQ(ini_port_value("bc\n"), 0xBCu);
    EXPECT_EQ(ini_port_value(" 37"), 0x37u);
    EXPECT_EQ(ini_port_value("LPT"), 0u);
    EXPECT_TRUE(ini_file_path().ends_with("/dorvik.ini"));
}

TEST(DorvikTextEncoding, Windows1251BecomesUtf8) {
    EXPECT_EQ(cp1251_to_utf8("\xE7\xE0\xEF\xE8\xF1\xE0\xF2\xFC"), "записать");
    EXPECT_EQ(cp1251_to_utf8("\xC0\xDF\xA8\xB8 \xB9"), "АЯЁё №");
    EXPECT_EQ(cp1251_to_utf8("plain -asn=filename"), "plain -asn=filename");
}
