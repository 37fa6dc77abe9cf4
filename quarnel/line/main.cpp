// Entry of quarnel: banner, command line, then one run, a gang of sites or chip after chip,
// and the exit status of every ending.
#include "quarnel/adapters/os_timer.h"
#include "quarnel/common/command_errors.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/line/chip_run.h"
#include "quarnel/line/gang_file.h"
#include "quarnel/line/gang_runner.h"
#include "quarnel/line/job_file.h"
#include "quarnel/line/log_sink.h"
#include "quarnel/line/repeat_loop.h"
#include "quarnel/production/production_serial.h"
#include "quarnel/run/banner.h"
#include "quarnel/run/command_check.h"
#include "quarnel/run/command_line.h"
#include "quarnel/run/error_report.h"

#include <memory>
#include <string>
#include <vector>

using namespace quarnel;

namespace {

// The command line as the parser takes it: the program name first.
std::vector<const char*> argument_vector(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"quarnel"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    return argv;
}

// The command line for the sites of a gang: all but --gang.
std::vector<std::string> site_arguments(const std::vector<std::string>& args) {
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg.rfind("--gang=", 0) != 0) {
            rest.push_back(arg);
        }
    }
    return rest;
}

// Before the chip is touched: the server answers and the counter a SERNO insert names is
// there (the run itself reserves its number).
void check_serial_counter(const RunOptions& options) {
    const InsertSpec& serno = options.serno_insert;
    if (options.serial_database && serno.mode != INSERT_NONE && (options.write || options.verify)) {
        serial_counter_database(*options.serial_database)->take(serno.serno_file, false, 4);
    }
}

// What the command line asks for, once parsed.
enum class request { done, single, gang, repeat };

} // namespace

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The whole run lives here; its adapter is destroyed last, on every path,
    // which returns the hardware to its safe state.
    RunState state;
    os_timer_t timer;
    std::unique_ptr<LogSink> log;
    std::unique_ptr<LogSink> gang_record = open_site_record_sink();
    request asked = request::done;
    int status = run_reporting_errors([&] {
        if (args.size() == 1 && args[0] == "--version") {
            print_version_line();
            return;
        }
        timer.restart();
        print_banner();
        if (args.empty()) {
            console_log(0, "Nothing to do!\n%s\n", short_help);
            return;
        }
        expand_job(args);
        const std::vector<const char*> arg_vector = argument_vector(args);
        const int count = static_cast<int>(arg_vector.size());
        print_command(count, arg_vector.data());
        parse_command_line(count, arg_vector.data(), state.options);
        const RunOptions& options = state.options;
        if (options.log_target) {
            // Before the chip is touched: a run that cannot be logged does not start.
            log = open_log_sink(*options.log_target);
            log->check();
        }
        check_command(state.options, state.session.fuses);
        asked = options.gang_file ? request::gang
                : options.repeat  ? request::repeat
                                  : request::single;
        if (asked != request::gang) {
            check_serial_counter(options);
        }
    });
    if (status != EXIT_OK) {
        return status;
    }
    std::vector<LogSink*> sinks;
    for (LogSink* sink : {log.get(), gang_record.get()}) {
        if (sink != nullptr) {
            sinks.push_back(sink);
        }
    }
    switch (asked) {
    case request::done:
        return EXIT_OK;
    case request::gang: {
        int gang_status = EXIT_OK;
        const int error = run_reporting_errors([&] {
            gang_status = run_gang(read_gang_file(*state.options.gang_file), site_arguments(args));
        });
        return error != EXIT_OK ? error : gang_status;
    }
    case request::repeat:
        return run_repeat(state.options, state.session.fuses, sinks);
    case request::single:
        break;
    }
    LogRecord record = run_chip(state, timer, {!sinks.empty(), {}});
    store_record(record, sinks);
    return record.status;
}
