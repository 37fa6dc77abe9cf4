// Runs the built quarnel and splits its banner from the rest of what it printed.
#pragma once

#include <string>
#include <vector>

struct CliRun {
    std::string banner; // the blank line and the three banner lines
    std::string body;   // everything after the banner
    int status = -1;
};

// Runs quarnel with `args` in a fresh directory.
CliRun run_quarnel(const std::vector<std::string>& args);

// Empty when `banner` has the expected shape, else what is wrong.
std::string banner_problem(const std::string& banner);

// The echo of the command line that follows the banner.
std::string command_echo(const std::vector<std::string>& args);
