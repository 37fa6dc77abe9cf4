// Runs the command-line parser on a fresh set of options and captures what it prints.
#pragma once

#include "quarnel/devices/fuse_request.h"
#include "quarnel/run/run_options.h"

#include <string>
#include <vector>

using namespace quarnel;

struct ParseOutcome {
    bool raised = false;    // an app_error ended the parse
    int status = 0;         // its code
    std::string output;     // everything printed meanwhile
    int verbosity = 2;      // console verbosity the parse left
    std::string unexpected; // what() of any exception outside the app_error family
};

// Parses `args` (program name excluded) into fresh options at the default
// verbosity; with `check`, check_command follows a successful parse.
ParseOutcome parse_args(const std::vector<std::string>& args, bool check = false);

// The options and fuse request of the latest parse_args, as far as it got.
const RunOptions& parsed_options();
const FuseRequest& parsed_fuses();

// The text printed with an invalid switch value.
std::string invalid_value_text(const std::string& text, char letter);
