// User break: a signal becomes status 80 at the next poll, once.
#include "quarnel/common/user_break.h"

#include "platform/signals.h"
#include "quarnel/common/errors.h"

#include <gtest/gtest.h>

using namespace quarnel;

TEST(UserBreak, SignalIsReportedAtTheNextPollOnly) {
    poll_user_break(); // installs the handlers
    poll_user_break();
    platform::raise_signal(platform::interrupt_signal());
    testing::internal::CaptureStdout();
    int status = -1;
    try {
        poll_user_break();
    } catch (const app_error& error) {
        status = error.code;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nTerminated by user (SIGINT)\n\n");
    EXPECT_EQ(status, 80);
    EXPECT_NO_THROW(poll_user_break());
}
