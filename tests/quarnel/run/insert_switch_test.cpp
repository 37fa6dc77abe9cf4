// Production-data switches: modes, keywords, counts, addresses and values.
#include "quarnel/run/insert_switch.h"

#include "tests/quarnel/run/parse_runner.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

void expect_invalid(const std::string& arg) {
    const auto outcome = parse_args({arg});
    EXPECT_EQ(outcome.status, 70) << arg;
    EXPECT_EQ(outcome.output, "Invalid HEX file switch extension '" + arg + "'\n") << arg;
}

} // namespace

TEST(InsertSwitch, BytesAreReadTwoDigitsEach) {
    ASSERT_FALSE(parse_args({"-C*BYTES2=10,A55A"}).raised);
    const InsertSpec& parsed = parsed_options().bytes_insert;
    EXPECT_EQ(parsed.mode, INSERT_CODE);
    EXPECT_EQ(parsed.count, 2u);
    EXPECT_EQ(parsed.address, 0x10);
    EXPECT_EQ(parsed.bytes, (std::vector<std::uint8_t>{0xA5, 0x5A}));
    EXPECT_FALSE(parsed_options().code_file().name);

    expect_invalid("-C*BYTES2=10,A55");
    expect_invalid("-C*BYTES2=10,A55A0");
    expect_invalid("-C*BYTES2=10,A5+A");
    expect_invalid("-C*BYTES1=10,0x");
    expect_invalid("-C*BYTES=10,");
    expect_invalid("-C*BYTES2=10");

    // A second BYTES request replaces the first.
    ASSERT_FALSE(parse_args({"-C*BYTES1=10,01", "-d*bytes1=20,02"}).raised);
    EXPECT_EQ(parsed_options().bytes_insert.mode, INSERT_DATA);
    EXPECT_EQ(parsed_options().bytes_insert.address, 0x20);
    EXPECT_EQ(parsed_options().bytes_insert.bytes, std::vector<std::uint8_t>{0x02});
}

TEST(InsertSwitch, ModesAndKeywords) {
    ASSERT_FALSE(parse_args({"-C?OSCCAL=100,+3"}).raised);
    EXPECT_EQ(parsed_options().osccal_insert.mode, INSERT_LDI);
    EXPECT_EQ(parsed_options().osccal_insert.count, 0u);
    EXPECT_EQ(parsed_options().osccal_insert.address, 0x100);
    EXPECT_EQ(parsed_options().osccal_insert.osccal_correction, 3);

    ASSERT_FALSE(parse_args({"-c*osccal1=0x1F,-300"}).raised);
    EXPECT_EQ(parsed_options().osccal_insert.mode, INSERT_CODE);
    EXPECT_EQ(parsed_options().osccal_insert.count, 1u);
    EXPECT_EQ(parsed_options().osccal_insert.address, 0x1F);
    EXPECT_EQ(parsed_options().osccal_insert.osccal_correction, -300);

    ASSERT_FALSE(parse_args({"-D*SERNO4=10,sn,1.txt"}).raised);
    EXPECT_EQ(parsed_options().serno_insert.mode, INSERT_DATA);
    EXPECT_EQ(parsed_options().serno_insert.count, 4u);
    EXPECT_EQ(parsed_options().serno_insert.serno_file, "sn,1.txt");

    expect_invalid("-D?SERNO4=10,sn.txt");
    expect_invalid("-d?OSCCAL=10");
    expect_invalid("-C*SERNO4=10");
    expect_invalid("-C*SERNO4=10,");
    expect_invalid("-C*LABEL=10,1");
    expect_invalid("-C*=10,1");
}

TEST(InsertSwitch, MalformedCountAndAddress) {
    expect_invalid("-C*");
    expect_invalid("-C*OSCCAL");
    expect_invalid("-C*OSCCAL=");
    expect_invalid("-C*OSCCAL=,5");
    expect_invalid("-C*OSCCAL=zz");
    expect_invalid("-C*OSCCAL=-1");
    expect_invalid("-C*OSCCAL=10x");
    expect_invalid("-C*OSCCAL=100000000");
    expect_invalid("-C*OSCCAL2x=10");
    expect_invalid("-C*OSCCAL=10,abc");
    expect_invalid("-C*SERNO99999999999999999999=10,a");
}

TEST(InsertSwitch, OneOsccalAndOneSernoPerRun) {
    const char* const twice = "Can't handle two specail code/data commands of one type\n";
    auto outcome = parse_args({"-C*OSCCAL=10", "-D*OSCCAL=20"});
    EXPECT_EQ(outcome.status, 70);
    EXPECT_EQ(outcome.output, twice);
    outcome = parse_args({"-C*SERNO2=10,a.txt", "-C?SERNO2=20,b.txt"});
    EXPECT_EQ(outcome.status, 70);
    EXPECT_EQ(outcome.output, twice);
    EXPECT_FALSE(parse_args({"-C*SERNO2=10,a.txt", "-C*OSCCAL=20", "-C*BYTES1=30,00"}).raised);
}
