// Benches sharing one serial-number file, and runs killed mid-way: no number on two chips.
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
