// The program's single console logger and the ISP trace helpers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quarnel {

// Output levels: 0 errors, 1 warnings, 2 progress (default), 3 protocol
// trace, 4 detailed trace.
struct Console {
    std::uint8_t verbosity = 2;
    // Length of a progress line that waits on the terminal for its ending; 0: none.
    std::size_t open_line = 0;
};

extern Console console;

// Longest message text; longer output is cut here.
inline constexpr int console_line_max = 2048;

// Prints one printf-style message when `level` <= verbosity and `format` is set.
void console_log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// True when progress may rewrite one line in place: standard output is a
// terminal and the detailed trace (-%) is off.
bool console_rewrites_lines();

// Shows `text` over the current line ("\r", the text, blanks over the rest of
// the previous one). The next message of console_log starts on a new line
// unless console.open_line is cleared first.
void console_rewrite_line(const char* text);

// One key press from the console (no Enter needed); true for "y" or "Y". End of
// input counts as "no".
bool console_key_is_yes();

// "\t% <label>  AA BB CC DD"
void trace_reply(int level, const char* label, const std::uint8_t reply[4]);

// "\t% <label>\tcommand AA BB CC DD,  reply EE FF GG HH"
void trace_exchange(int level, const char* label, const std::uint8_t command[4],
                    const std::uint8_t reply[4]);

} // namespace quarnel
