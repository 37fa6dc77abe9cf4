// The endings of a run: printed text and exit status of each kind of failure.
#include "quarnel/run/error_report.h"

#include "quarnel/common/errors.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <string>

using namespace quarnel;

namespace {

struct Ending {
    int status;
    std::string output;
};

Ending ending_of(const std::function<void()>& step) {
    testing::internal::CaptureStdout();
    const int status = run_reporting_errors(step);
    return {status, testing::internal::GetCapturedStdout()};
}

} // namespace

TEST(ErrorReport, EachFailureKindHasItsStatusAndText) {
    Ending e = ending_of([] {});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.output, "");

    // The message was printed where the error arose; the ending adds an empty line.
    e = ending_of([] { throw app_error(30); });
    EXPECT_EQ(e.status, 30);
    EXPECT_EQ(e.output, "\n");

    e = ending_of([] { throw app_error(0); });
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.output, "\n");

    e = ending_of([] {
        errno = ENOENT;
        throw rtl_error(50);
    });
    EXPECT_EQ(e.status, 50);
    EXPECT_EQ(e.output, "No such file or directory\n");

    e = ending_of([] { throw std::bad_alloc(); });
    EXPECT_EQ(e.status, 60);
    EXPECT_EQ(e.output, "Can't allocate memory\n");

    e = ending_of([] { throw std::runtime_error("table corrupt"); });
    EXPECT_EQ(e.status, 255);
    EXPECT_EQ(e.output, "table corrupt\n");
}
