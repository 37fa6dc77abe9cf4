// Parser runs with captured output for the command-line tests.
#include "tests/quarnel/run/parse_runner.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/run/command_check.h"
#include "quarnel/run/command_line.h"

#include <gtest/gtest.h>

using namespace quarnel;

namespace {

// What the latest parse filled; each parse starts from fresh ones.
struct LatestParse {
    RunOptions options;
    FuseRequest fuses{};
};

LatestParse& latest() {
    static LatestParse parse;
    return parse;
}

} // namespace

const RunOptions& parsed_options() {
    return latest().options;
}

const FuseRequest& parsed_fuses() {
    return latest().fuses;
}

ParseOutcome parse_args(const std::vector<std::string>& args, bool check) {
    LatestParse& parse = latest();
    parse = LatestParse{};
    console.verbosity = 2;
    std::vector<const char*> argv{"quarnel"};
    for (const auto& arg : args) {
        argv.push_back(arg.c_str());
    }
    ParseOutcome outcome;
    testing::internal::CaptureStdout();
    try {
        parse_command_line(static_cast<int>(argv.size()), argv.data(), parse.options);
        if (check) {
            check_command(parse.options, parse.fuses);
        }
    } catch (const app_error& error) {
        outcome.raised = true;
        outcome.status = error.code;
    } catch (const std::exception& error) {
        outcome.unexpected = error.what();
        outcome.unexpected += " ";
    }
    outcome.output = testing::internal::GetCapturedStdout();
    outcome.verbosity = console.verbosity;
    console.verbosity = 2;
    return outcome;
}

std::string invalid_value_text(const std::string& text, char letter) {
    return "Invalid value '" + text + "' for switch " + letter +
           "\n\nFor short help type\n\tquarnel -h\n";
}
