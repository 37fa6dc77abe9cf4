// Benches sharing one serial-number file or database counter, and runs killed mid-way: no
// number on two chips.
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

namespace {

ProgramResult run_script(const std::string& script, const std::vector<std::string>& args) {
    ProgramRun run;
    run.program = "/bin/bash";
    run.args = {source_path("scripts/" + script)};
    run.args.insert(run.args.end(), args.begin(), args.end());
    run.env["QUARNEL_BIN"] = bin_path("");
    run.timeout_s = 1800;
    return run_program(run);
}

} // namespace

TEST(SerialSharing, ConcurrentRunsNeverShareANumber) {
    // Four benches, three rounds each, for quarnel and dorvik.
    const ProgramResult result = run_script("serial-bench.sh", {"4", "3"});
    EXPECT_EQ(result.output,
              "quarnel: 12 runs, 12 succeeded, 12 distinct numbers, file holds 1012\n"
              "dorvik: 12 runs, 12 succeeded, 12 distinct numbers, file holds 1012\n"
              "no number on two chips\n");
    EXPECT_EQ(result.status, 0);
}

TEST(SerialSharing, KilledRunsLeaveNoNumberTwiceAndNoTemporaryFile) {
    const ProgramResult result = run_script("serial-kill.sh", {"15"});
    EXPECT_TRUE(result.output.ends_with("no number on two chips\n")) << result.output;
    EXPECT_EQ(result.status, 0);
}

TEST(SerialSharing, StationsShareOnePostgresqlCounterAndLog) {
    // Eight stations, five rounds each, on a server of their own; then the refusals.
    const ProgramResult result = run_script("serial-db-bench.sh", {"8", "5"});
    if (result.status == 77) {
        GTEST_SKIP() << result.output;
    }
    EXPECT_EQ(result.output,
              "missing counter: status 70, chip untouched\n"
              "counters after it: 0\n"
              "8 stations x 5 rounds: 40 passed, 40 distinct numbers, counter 1040, 40 log rows\n"
              "refused login: status 70, chip untouched\n"
              "server stopped: status 70, chip untouched\n"
              "server started again: status 0, chip holds 1040, counter 1041\n"
              "failed run: status 10, counter 1041\n"
              "no libpq: status 70, 1 message\n"
              "no number on two chips\n");
    EXPECT_EQ(result.status, 0);
}
