// Entry of quarnel: banner, command line, run, and the exit status of every ending.
#include "quarnel/adapters/os_timer.h"
#include "quarnel/adapters/spi.h"
#include "quarnel/common/command_errors.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/units.h"
#include "quarnel/run/banner.h"
#include "quarnel/run/command_check.h"
#include "quarnel/run/command_line.h"
#include "quarnel/run/error_report.h"
#include "quarnel/run/run_sequence.h"

#include <string_view>

using namespace quarnel;

namespace {

void run(RunState& state, int argc, const char* const argv[]) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        print_version_line();
        return;
    }
    os_timer_t timer;
    timer.restart();
    print_banner();
    if (argc < 2) {
        console_log(0, "Nothing to do!\n%s\n", short_help);
        return;
    }
    print_command(argc, argv);
    parse_command_line(argc, argv, state.options);
    check_command(state.options, state.session.fuses);
    settle_run(state);
    run_sequence(state);
    timer.stop();
    if (state.adapter) {
        state.adapter->set_led_ok(true);
    }
    console_log(2, "Total time %s\n",
                format_time(static_cast<double>(timer.elapsed_ms()), TIME_MS).c_str());
}

} // namespace

int main(int argc, char* argv[]) {
    // The whole run lives here; its adapter is destroyed last, on every path,
    // which returns the hardware to its safe state.
    RunState state;
    int status = run_reporting_errors([&] { run(state, argc, argv); });
    if (status != EXIT_OK) {
        // A failing lamp must not hide the status of the run.
        run_reporting_errors([&] {
            if (state.adapter) {
                state.adapter->set_led_error(true);
            }
        });
    }
    const int release_status = run_reporting_errors([&] { release_run_target(state); });
    return status != EXIT_OK ? status : release_status;
}
