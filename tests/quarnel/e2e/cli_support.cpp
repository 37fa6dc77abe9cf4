// The quarnel runner and banner check of the command-line end-to-end tests.
#include "tests/quarnel/e2e/cli_support.h"

#include "tests/support/run_program.h"

#include <regex>

CliRun run_quarnel(const std::vector<std::string>& args) {
    TempDir dir;
    ProgramRun run;
    run.program = "quarnel";
    run.args = args;
    run.directory = dir.path();
    const ProgramResult result = run_program(run);
    CliRun cli;
    cli.status = result.status;
    std::size_t end = 0;
    for (int line = 0; line < 4 && end != std::string::npos; ++line) {
        end = result.output.find('\n', end);
        if (end != std::string::npos) {
            ++end;
        }
    }
    if (end == std::string::npos) {
        cli.banner = result.output;
    } else {
        cli.banner = result.output.substr(0, end);
        cli.body = result.output.substr(end);
    }
    return cli;
}

std::string banner_problem(const std::string& banner) {
    static const std::regex shape(
        "\n"
        "quarnel/WIN32  -  AVR controllers programmer[^\n]*\n"
        "v1\\.28v9 \\([A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\\)[^\n]*\n"
        "[^\n]+\n");
    return std::regex_match(banner, shape) ? "" : "unexpected banner:\n" + banner;
}

std::string command_echo(const std::vector<std::string>& args) {
    std::string echo = "Command:\n ";
    for (const auto& arg : args) {
        echo += arg.find_first_of(" \t") == std::string::npos ? " " + arg : " \"" + arg + "\"";
    }
    return echo + "\n";
}
