// Reporting of command-line mistakes: message at level 0, then status 70.
#pragma once

namespace quarnel {

// The line that points the user to the help screen.
inline constexpr const char* short_help = "For short help type\n\tquarnel -h";

// Prints the printf-style message at level 0 and raises app_error 70.
[[noreturn]] void command_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "Invalid value '<text>' for switch <letter>", the help pointer, status 70.
[[noreturn]] void invalid_switch_value(char letter, const char* text);

} // namespace quarnel
