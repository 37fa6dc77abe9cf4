// Command-line error reports shared by the parser and the adapter setup.
#include "quarnel/common/command_errors.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <cstdarg>
#include <cstdio>

namespace quarnel {

void command_error(const char* format, ...) {
    char text[console_line_max + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    console_log(0, "%s", text);
    throw app_error(EXIT_ENVIRONMENT);
}

void invalid_switch_value(char letter, const char* text) {
    command_error("Invalid value '%s' for switch %c\n\n%s\n", text, letter, short_help);
}

} // namespace quarnel
