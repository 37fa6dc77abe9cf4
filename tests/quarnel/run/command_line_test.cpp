// Switch table of the command line: letters, modifiers, device names and files.
#include "quarnel/run/command_line.h"

#include "tests/quarnel/run/parse_runner.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

void expect_error(const std::vector<std::string>& args, const std::string& message) {
    const auto outcome = parse_args(args);
    EXPECT_TRUE(outcome.raised) << args.back();
    EXPECT_EQ(outcome.status, 70) << args.back();
    EXPECT_EQ(outcome.output, message) << args.back();
}

void expect_accepted(const std::vector<std::string>& args) {
    const auto outcome = parse_args(args);
    EXPECT_FALSE(outcome.raised) << args.back() << ": " << outcome.output;
    EXPECT_EQ(outcome.output, "");
}

} // namespace

TEST(CommandLine, LettersWithoutValueCombineInOneArgument) {
    expect_accepted({"-!ev"});
    EXPECT_TRUE(parsed_options().force);
    EXPECT_TRUE(parsed_options().erase);
    EXPECT_TRUE(parsed_options().verify);
    EXPECT_FALSE(parsed_options().preserve_eeprom);
    EXPECT_FALSE(parsed_options().verify_all);

    expect_accepted({"-e-v+r+"});
    EXPECT_TRUE(parsed_options().preserve_eeprom);
    EXPECT_TRUE(parsed_options().verify_all);
    EXPECT_TRUE(parsed_options().read_keep_ff);

    expect_accepted({"-k"});
    EXPECT_TRUE(parsed_options().wait_key);
    EXPECT_FALSE(parsed_options().wait_key_early);
    expect_accepted({"-K"});
    EXPECT_TRUE(parsed_options().wait_key);
    EXPECT_TRUE(parsed_options().wait_key_early);

    expect_accepted({"", "-1", ""});
    EXPECT_FLOAT_EQ(parsed_options().delay_factor, 1.5f);
    expect_accepted({"-35"});
    EXPECT_FLOAT_EQ(parsed_options().delay_factor, 5.0f);

    EXPECT_EQ(parse_args({"-%%"}).verbosity, 4);
    EXPECT_EQ(parse_args({"-e"}).verbosity, 2);
}

TEST(CommandLine, EndSwitchesTakeOnlyTheirModifiers) {
    expect_error({"-wv"}, invalid_value_text("v", 'w'));
    expect_error({"-W+px"}, invalid_value_text("x", 'W'));
    expect_accepted({"-w+P"});
    EXPECT_TRUE(parsed_options().write);
    EXPECT_TRUE(parsed_options().write_fill_eeprom);
    EXPECT_TRUE(parsed_options().write_poll);

    expect_accepted({"-bcd"});
    EXPECT_EQ(parsed_options().blank_check, 3u);
    expect_accepted({"-b"});
    EXPECT_EQ(parsed_options().blank_check, 3u);
    expect_accepted({"-bc"});
    EXPECT_EQ(parsed_options().blank_check, 1u);
    expect_accepted({"-bd", "-bc"});
    EXPECT_EQ(parsed_options().blank_check, 3u);
    expect_error({"-bce"}, invalid_value_text("e", 'b'));
}

TEST(CommandLine, LockLevelNeedsOneOrTwo) {
    expect_error({"-l"}, invalid_value_text("", 'l'));
    expect_error({"-l3"}, invalid_value_text("3", 'l'));
    expect_error({"-L+"}, invalid_value_text("", 'L'));
    expect_accepted({"-l+2"});
    EXPECT_EQ(parsed_options().lock_level, lock_request::level2);
    EXPECT_TRUE(parsed_options().lock_before_fuses);
    expect_accepted({"-l1e"});
    EXPECT_EQ(parsed_options().lock_level, lock_request::level1);
    EXPECT_FALSE(parsed_options().lock_before_fuses);
    EXPECT_TRUE(parsed_options().erase);
}

TEST(CommandLine, DeviceNameDropsLeadingAtAndMustBeKnown) {
    for (const char* name : {"+ATmega8", "+atmega8", "+mega8"}) {
        expect_accepted({name});
        ASSERT_TRUE(parsed_options().requested_name) << name;
        EXPECT_EQ(*parsed_options().requested_name, "mega8") << name;
    }
    expect_accepted({"+mega8", "+tiny13"});
    EXPECT_EQ(*parsed_options().requested_name, "tiny13");
    expect_error({"+"}, "Chip name required for '+'\n");
    expect_error({"+mega99"}, "Unsupported device mega99\n");
    expect_error({"+ATmega8|mega8A"}, "Unsupported device mega8|mega8A\n");
}

TEST(CommandLine, EraseCounterValueFrom1To65534) {
    expect_accepted({"-n"});
    EXPECT_TRUE(parsed_options().erase_counter);
    EXPECT_EQ(parsed_options().erase_count, std::nullopt);
    expect_accepted({"-n65534"});
    EXPECT_EQ(parsed_options().erase_count, 65534);
    expect_accepted({"-N1"});
    EXPECT_EQ(parsed_options().erase_count, 1);
    expect_error({"-n0"}, invalid_value_text("0", 'n'));
    expect_error({"-n65535"}, invalid_value_text("65535", 'n'));
    expect_error({"-n12x"}, invalid_value_text("12x", 'n'));
    expect_error({"-n99999999999999999999999"}, invalid_value_text("99999999999999999999999", 'n'));
}

TEST(CommandLine, AdapterGroup) {
    expect_accepted({"-aZ", "-ap"});
    EXPECT_TRUE(parsed_options().lazy);
    EXPECT_TRUE(parsed_options().power_from_data);
    EXPECT_FALSE(parsed_options().adapter_spec);

    expect_error(
        {"-ar"},
        "-ar switch not supported now, use adapter configuration file for inverted reset\n");

    for (const char* ignored : {"-ai0", "-ai20000", "-ai99999999999999999999"}) {
        expect_accepted({ignored});
        EXPECT_FLOAT_EQ(parsed_options().inactive_reset_ms, 2.0f) << ignored;
    }
    expect_accepted({"-aI10000"});
    EXPECT_FLOAT_EQ(parsed_options().inactive_reset_ms, 10000.0f);
    expect_error({"-aix"}, "Value required for switch '-ai'\n");
    expect_error({"-ai"}, "Value required for switch '-ai'\n");

    expect_accepted({"-aft2232", "-ab"});
    EXPECT_EQ(*parsed_options().adapter_spec, "b");
    expect_accepted({"-azp"});
    EXPECT_EQ(*parsed_options().adapter_spec, "zp");
    EXPECT_FALSE(parsed_options().lazy);
}

TEST(CommandLine, RestSwitchesTakeTheWholeArgument) {
    expect_accepted({"-p0x378e"});
    EXPECT_EQ(*parsed_options().port_spec, "0x378e");
    EXPECT_FALSE(parsed_options().erase);

    expect_accepted({"-fCKSEL=F,BODEN=ON"});
    EXPECT_EQ(*parsed_options().fuse_list, "CKSEL=F,BODEN=ON");
    expect_error({"-fCKSEL=F", "-FSUT=1"},
                 "Only one -F switch can be used, place all fuses in one switch\n");
    expect_error({"-f"}, invalid_value_text("", 'f'));
}

TEST(CommandLine, FileNamesFillCodeThenData) {
    expect_accepted({"a.hex"});
    EXPECT_EQ(*parsed_options().code_file().name, "a.hex");
    EXPECT_TRUE(parsed_options().single_file);

    expect_accepted({"a.hex", "b.eep"});
    EXPECT_EQ(*parsed_options().data_file().name, "b.eep");
    EXPECT_FALSE(parsed_options().single_file);

    expect_accepted({"-c", "a.hex", "b.hex"});
    EXPECT_EQ(*parsed_options().code_file().name, "a.hex");
    EXPECT_EQ(*parsed_options().data_file().name, "b.hex");

    expect_accepted({"-dd.eep", "c.hex"});
    EXPECT_EQ(*parsed_options().code_file().name, "c.hex");
    EXPECT_EQ(*parsed_options().data_file().name, "d.eep");
    EXPECT_FALSE(parsed_options().single_file);

    expect_error({"a", "b", "c"}, "Too many files\n");
    expect_error({"-c"}, "File name required for -c\n");
    expect_error({"-D", ""}, "File name required for -D\n");
    expect_error({"-c", "a.hex", "-c", "b.hex"},
                 "Can't use two files for CODE memory\n'a.hex'\n'b.hex'\n");
    expect_error({"-d:bin:a.bin", "-d", "b.hex"},
                 "Can't use two files for DATA memory\n'a.bin'\n'b.hex'\n");
}

TEST(CommandLine, UnknownLetterIsAnInvalidSwitch) {
    expect_error({"-ex"}, "Invalid switch x\nFor short help type\n\tquarnel -h\n");
    expect_error({"-j"}, "Invalid switch j\nFor short help type\n\tquarnel -h\n");
    // -K is upper case only; -k lower case is the plain key wait.
    expect_accepted({"-kK"});
}

TEST(CommandLine, HelpSeesOnlyWhatStandsLeftOfIt) {
    auto outcome = parse_args({"-?", "+mega8", "-x"});
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output.rfind("Use:\tquarnel [SWITCHES]", 0), 0u);
    EXPECT_NE(outcome.output.find("\nSupported devices\n 86RF401\n"), std::string::npos);

    outcome = parse_args({"+ATmega8", "-eh"});
    EXPECT_TRUE(outcome.raised);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output.rfind("\nmega8|mega8A signature 1E9307\n", 0), 0u);
    EXPECT_EQ(outcome.output.find("Use:"), std::string::npos);

    outcome = parse_args({"-x", "-?"});
    EXPECT_EQ(outcome.status, 70);
}
