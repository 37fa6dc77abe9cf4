// Runs the command-line parser on a fresh set of options and captures what it prints.
#pragma once

#include <string>
#include <vector>

struct ParseOutcome {
    bool raised = false;    // an app_error ended the parse
    int status = 0;         // its code
    std::string output;     // everything printed meanwhile
    int verbosity = 2;      // console verbosity the parse left
    std::string unexpected; // what() of any exception outside the app_error family
};

// Resets the run options and the verbosity, then parses `args` (program name
// excluded); with `check`, check_command follows a successful parse.
ParseOutcome parse_args(const std::vector<std::string>& args, bool check = false);

// The text printed with an invalid switch value.
std::string invalid_value_text(const std::string& text, char letter);
