// The GNU-style long options: one table holds each option's name, what it does and its
// line in the --help listing. A new option is one more row.
#pragma once

#include "quarnel/run/run_options.h"

#include <optional>
#include <string>
#include <string_view>

namespace quarnel {

enum class long_action {
    help,    // the help screen, with the long options after the usage text
    version, // the version line; only as the whole command line, handled by main
    flag,    // sets a run option
    text,    // --name=VALUE: stores the value in a run option
    job,     // --job=FILE: read before the rest by main; one here is a second one
};

struct LongOption {
    const char* name; // with its leading "--"
    long_action action;
    bool RunOptions::*flag;                       // for long_action::flag
    std::optional<std::string> RunOptions::*text; // for long_action::text
    const char* help;                             // the text beside the name in the listing
};

// The option `arg` names: exactly, or for a text option and --job as "--name=" followed by
// the value; nullptr for any other argument.
const LongOption* find_long_option(std::string_view arg);

// Prints the listing of the long options at the normal level.
void print_long_options();

} // namespace quarnel
