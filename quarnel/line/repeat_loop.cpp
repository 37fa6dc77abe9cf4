// Waiting for chips and their removal between runs, and the running counts.
#include "quarnel/line/repeat_loop.h"

#include "platform/clock.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/user_break.h"
#include "quarnel/isp/programming_mode.h"
#include "quarnel/isp/target_power.h"
#include "quarnel/line/chip_run.h"
#include "quarnel/run/error_report.h"

#include <algorithm>
#include <cstdint>

namespace quarnel {

namespace {

// Between two tries the lines stay safe (reset released, buffer off, power off) this long:
// longer than an operator's hand takes to notice, short enough to start at once.
constexpr unsigned probe_interval_ms = 300;

void pause_between_tries() {
    constexpr unsigned step_ms = 20;
    for (unsigned waited = 0; waited < probe_interval_ms; waited += step_ms) {
        platform::sleep_ms(step_ms);
        poll_user_break();
    }
}

// The tries between runs print only errors and warnings: the lines of a run's power-up and
// release would repeat three times a second.
class QuietTries {
  public:
    QuietTries() : verbosity(console.verbosity) {
        console.verbosity = std::min<std::uint8_t>(verbosity, 1);
    }
    ~QuietTries() { console.verbosity = verbosity; }
    QuietTries(const QuietTries&) = delete;
    QuietTries& operator=(const QuietTries&) = delete;

  private:
    std::uint8_t verbosity;
};

// With the target powered: returns with reset asserted once a chip answers.
void await_chip(RunState& run) {
    console_log(2, "Waiting for a chip\n");
    const QuietTries quiet;
    while (!chip_answers(run.session)) {
        release_target(run.session);
        pause_between_tries();
        power_up_target(run.session);
    }
}

// After the run: returns once the chip no longer answers.
void await_removal(RunState& run) {
    const QuietTries quiet;
    for (bool present = true; present;) {
        pause_between_tries();
        power_up_target(run.session);
        present = chip_answers(run.session);
        release_target(run.session);
    }
}

} // namespace

int run_repeat(const RunOptions& options, const FuseRequest& fuses,
               const std::vector<LogSink*>& sinks) {
    int passed = 0;
    int failed = 0;
    int last_status = EXIT_USER_BREAK;
    for (int chip = 1;; ++chip) {
        RunState state;
        state.options = options;
        state.session.fuses = fuses;
        os_timer_t timer;
        timer.restart();
        LogRecord record =
            run_chip(state, timer, {!sinks.empty(), [](RunState& run) { await_chip(run); }});
        if (!state.production) {
            // Ended before a chip answered: a break while waiting, or no adapter or files.
            if (record.status != EXIT_USER_BREAK) {
                last_status = record.status;
            }
            break;
        }
        store_record(record, sinks);
        last_status = record.status;
        (record.passed() ? passed : failed) += 1;
        if (record.passed()) {
            console_log(0, "Chip %d passed (%d passed, %d failed)\n", chip, passed, failed);
        } else {
            console_log(0, "Chip %d failed, status %d (%d passed, %d failed)\n", chip,
                        record.status, passed, failed);
        }
        if (record.status == EXIT_USER_BREAK || !state.programmer ||
            run_reporting_errors([&] { await_removal(state); }) != EXIT_OK) {
            break;
        }
    }
    console_log(0, "Totals: %d passed, %d failed\n", passed, failed);
    return last_status;
}

} // namespace quarnel
