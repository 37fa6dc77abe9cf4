// Console logger: level filter, message length limit and the ISP trace forms.
#include "quarnel/common/console.h"

#include <gtest/gtest.h>
#include <string>

using namespace quarnel;

namespace {

std::string logged(int verbosity, int level, const char* format, const char* text) {
    console.verbosity = static_cast<std::uint8_t>(verbosity);
    testing::internal::CaptureStdout();
    console_log(level, format, text);
    std::string out = testing::internal::GetCapturedStdout();
    console.verbosity = 2;
    return out;
}

} // namespace

TEST(Console, LevelsAboveTheVerbosityAreSilent) {
    EXPECT_EQ(logged(2, 0, "error %s\n", "x"), "error x\n");
    EXPECT_EQ(logged(2, 2, "%s", "progress"), "progress");
    EXPECT_EQ(logged(2, 3, "\t%% %s\n", "trace"), "");
    EXPECT_EQ(logged(2, 4, "\t%% %s\n", "detail"), "");
    EXPECT_EQ(logged(4, 3, "\t%% %s\n", "trace"), "\t% trace\n");
    EXPECT_EQ(logged(4, 4, "\t%% %s\n", "detail"), "\t% detail\n");
    EXPECT_EQ(logged(4, 0, nullptr, "ignored"), "");
}

TEST(Console, LongMessagesAreCutAt2048Characters) {
    const std::string exact(console_line_max, 'a');
    EXPECT_EQ(logged(2, 0, "%s", exact.c_str()), exact);
    const std::string longer = std::string(console_line_max - 1, 'b') + "XYZ";
    EXPECT_EQ(logged(2, 0, "%s", longer.c_str()), longer.substr(0, console_line_max));
    // Characters above 127 go out unchanged (no code-page conversion on this host).
    EXPECT_EQ(logged(2, 0, "%s", "\xC3\xA4\xFF"), "\xC3\xA4\xFF");
}

TEST(Console, TraceFormsOfAnExchange) {
    const std::uint8_t command[4] = {0xAC, 0x53, 0x00, 0x00};
    const std::uint8_t reply[4] = {0xFF, 0xAC, 0x53, 0x00};
    testing::internal::CaptureStdout();
    trace_reply(2, "enable", reply);
    trace_exchange(2, "lock", command, reply);
    trace_exchange(3, "hidden", command, reply);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\t% enable  FF AC 53 00\n"
              "\t% lock\tcommand AC 53 00 00,  reply FF AC 53 00\n");
}
