// Switch matching, values, number conversion, the ini file text and the usage encoding.
#include "dorvik/command_line.h"

#include "dorvik/ini_file.h"
#include "dorvik/options.h"
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
    const auto path_of = [](const std::string& arg) {
        return switch_path(parse_options({"dorvik", "atmega8", arg}).command_arg);
    };
    testing::internal::CaptureStdout();
    EXPECT_EQ(path_of("-rf=a=b.hex"), "a=b.hex");
    EXPECT_EQ(path_of("-rf="), std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(path_of("-rf"), std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  Error write command.\n");
}

TEST(DorvikCommandLine, LineIsReadOnceIntoCommandAndSwitches) {
    const Options options = parse_options(
        {"-wlb=1", "ATmega8xxxxxxxxxxxx", "-wf=a.hex", "-lpt=378", "-wts=7", "-bogus", "-ws"});
    EXPECT_EQ(options.device_name, "ATmega8xxxxxxxxx");
    EXPECT_EQ(options.command, Command::full_program);
    EXPECT_EQ(options.command_arg.text, "a.hex");
    ASSERT_EQ(options.switches.size(), 4u);
    EXPECT_EQ(switches_named(options, SwitchName::wlb).at(0).number, 1u);
    EXPECT_EQ(switches_named(options, SwitchName::wlb, FIRST_OPTION).size(), 0u);
    EXPECT_EQ(switches_named(options, SwitchName::lpt).at(0).number, 0x378u);
    EXPECT_EQ(switches_named(options, SwitchName::wts).at(0).position, 4u);
    EXPECT_FALSE(switches_named(options, SwitchName::ws).at(0).has_equals);
    EXPECT_EQ(parse_options({"dorvik", "atmega8", "-erase"}).command, Command::erase);
    EXPECT_EQ(parse_options({"dorvik", "atmega8", "-x"}).command, Command::none);
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
    const Options options =
        parse_options({"dorvik", "atmega8", "-wlf=e4", "-wlf=1234", "-ws=", "-ws=7x", "-lpt=1000"});
    const auto wlf = switches_named(options, SwitchName::wlf);
    const auto ws = switches_named(options, SwitchName::ws);
    std::optional<std::uint32_t> number;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(switch_number(wlf.at(0), number));
    EXPECT_EQ(number, 0xE4u);
    EXPECT_FALSE(switch_number(wlf.at(1), number));
    EXPECT_TRUE(switch_number(ws.at(0), number));
    EXPECT_EQ(number, std::nullopt);
    EXPECT_FALSE(switch_number(ws.at(1), number));
    EXPECT_FALSE(switch_value_well_formed(switches_named(options, SwitchName::lpt).at(0)));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "  Error: 1234 is no hexadecimal byte.\n  Error: 7x is no decimal number.\n"
              "  Error: 1000 is no port address of 1 to 3 hexadecimal digits.\n");
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
