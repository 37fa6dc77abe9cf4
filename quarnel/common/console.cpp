// Console logger: level filter, 2048-character cut, unbuffered standard output.
#include "quarnel/common/console.h"

#include "platform/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace quarnel {

namespace {
Console make_console() {
    platform::make_stdout_unbuffered();
    return Console{};
}
} // namespace

Console console = make_console();

void console_log(int level, const char* format, ...) {
    if (format == nullptr || level > console.verbosity) {
        return;
    }
    char buffer[console_line_max + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    buffer[console_line_max] = '\0';
    if (console.open_line != 0) {
        console.open_line = 0;
        platform::write_stdout("\n");
    }
    platform::write_stdout(buffer);
}

bool console_rewrites_lines() {
    return console.verbosity < 4 && platform::stdout_is_terminal();
}

void console_rewrite_line(const char* text) {
    const std::size_t length = std::strlen(text);
    std::string line(1, '\r');
    line += text;
    if (length < console.open_line) {
        line.append(console.open_line - length, ' ');
    }
    console.open_line = length;
    platform::write_stdout(line.c_str());
}

void trace_reply(int level, const char* label, const std::uint8_t reply[4]) {
    console_log(level, "\t%% %s  %02X %02X %02X %02X\n", label, reply[0], reply[1], reply[2],
                reply[3]);
}

void trace_exchange(int level, const char* label, const std::uint8_t command[4],
                    const std::uint8_t reply[4]) {
    console_log(level, "\t%% %s\tcommand %02X %02X %02X %02X,  reply %02X %02X %02X %02X\n", label,
                command[0], command[1], command[2], command[3], reply[0], reply[1], reply[2],
                reply[3]);
}

bool console_key_is_yes() {
    const int key = platform::read_key();
    return key == 'y' || key == 'Y';
}

} // namespace quarnel
