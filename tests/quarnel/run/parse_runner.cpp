// Parser runs with captured output for the command-line tests.
#include "tests/quarnel/run/parse_runner.h"

#include "quarnel/devices/current_device.h"
#include "quarnel/run/command_check.h"
#include "quarnel/run/command_line.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/run_options.h"

#include <gtest/gtest.h>

ParseOutcome parse_args(const std::vector<std::string>& args, bool check) {
    options = RunOptions{};
    console.verbosity = 2;
    detected_index = -1;
    std::vector<const char*> argv{"quarnel"};
    for (const auto& arg : args) {
        argv.push_back(arg.c_str());
    }
    ParseOutcome outcome;
    testing::internal::CaptureStdout();
    try {
        parse_command_line(static_cast<int>(argv.size()), argv.data());
        if (check) {
            check_command();
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
