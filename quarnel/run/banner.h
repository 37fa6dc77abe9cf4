// The banner and the echo of the command line that open every run.
#pragma once

namespace quarnel {

// Prints the banner's version line: version, build time and web page (--version).
void print_version_line();

// Prints the three banner lines (after a blank line) at the normal level.
void print_banner();

// Prints "Command:" and the arguments after the program name, quoting those
// that hold a space or a tab.
void print_command(int argc, const char* const argv[]);

} // namespace quarnel
