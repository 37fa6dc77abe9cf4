// Validity rules of the parsed command line, in their order.
#include "quarnel/run/command_check.h"

#include "quarnel/devices/fuse_request.h"
#include "tests/quarnel/run/parse_runner.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

void expect_rejected(const std::vector<std::string>& args, const std::string& message) {
    const auto outcome = parse_args(args, true);
    EXPECT_TRUE(outcome.raised) << message;
    EXPECT_EQ(outcome.status, 70) << message;
    EXPECT_EQ(outcome.output, message);
}

void expect_accepted(const std::vector<std::string>& args) {
    const auto outcome = parse_args(args, true);
    EXPECT_FALSE(outcome.raised) << outcome.output;
}

} // namespace

TEST(CommandCheck, ChipNameIsNeededExceptForTheFtdiListing) {
    expect_rejected({"-e"}, "Chip name must be specified\n");
    expect_rejected({"-p2", "-e"}, "Chip name must be specified\n");
    expect_accepted({"-p?"});
    expect_accepted({"+mega8", "-e"});
}

TEST(CommandCheck, FuseListIsParsedForTheNamedDevice) {
    expect_accepted({"+mega8", "-w", "-fcksel=f"});
    EXPECT_EQ(parsed_fuses().bytes[1].request_mask, 0x0F);
    EXPECT_EQ(parsed_fuses().bytes[1].wanted, 0x0F);
    expect_rejected({"+mega8", "-w", "-fCKSEL=10"}, "Value 10 too large for fuse CKSEL\n");
    expect_rejected({"+90S1200", "-fCKSEL=1"}, "90S1200 has no ISP-writable fuses\n");
}

TEST(CommandCheck, ReadWriteAndFileRules) {
    expect_rejected({"+mega8", "-rw", "a.hex"}, "Can't both read and write or verify\n");
    expect_rejected({"+mega8", "-rv"}, "Can't both read and write or verify\n");
    expect_rejected({"+mega8", "-r"}, "Can't read without target files\n");
    expect_accepted({"+mega8", "-r", "-d", "out.eep"});
    expect_rejected({"+mega8", "-w"}, "Can't write/verify without source files or fuse list\n");
    expect_rejected({"+mega8", "-v"}, "Can't write/verify without source files or fuse list\n");
    expect_accepted({"+mega8", "-v", "-fSUT=1"});
    expect_rejected({"+mega8", "-e", "a.hex"},
                    "Nothing to do with files, -r or -w or -v must be specified\n");
    expect_rejected({"+mega8", "-w", "a.hex", "-d", "a.hex"},
                    "The same file selected for both code and data\n");
    // Names are compared exactly: another case or prefix is another file here.
    expect_accepted({"+mega8", "-w", "a.hex", ":ihex:A.hex"});
    expect_rejected({"+mega8", "-fSUT=1"},
                    "Nothing to do with fuses, -w or -v must be specified\n");
    expect_rejected({"+mega8", "-e", "-fSUT=1"},
                    "Nothing to do with fuses, -w or -v must be specified\n");
}

TEST(CommandCheck, RulesApplyInTheirOrder) {
    // A bad fuse list is reported before the read/write rules.
    expect_rejected({"+mega8", "-r", "-fBAD=1"}, "Invalid fuse name BAD\n");
    expect_rejected({"+mega8", "-rw"}, "Can't both read and write or verify\n");
    expect_rejected({"+mega8", "-w", "a.hex", "-d", "a.hex", "-fSUT=9"},
                    "Value 9 too large for fuse SUT\n");
    expect_rejected({"+mega8", "x.hex", "x.hex", "-fSUT=1"},
                    "Nothing to do with files, -r or -w or -v must be specified\n");
}
