// The program's single console logger and the ISP trace helpers.
#pragma once

#include <cstdint>

namespace quarnel {

// Output levels: 0 errors, 1 warnings, 2 progress (default), 3 protocol
// trace, 4 detailed trace.
struct Console {
    std::uint8_t verbosity = 2;
};

extern Console console;

// Longest message text; longer output is cut here.
inline constexpr int console_line_max = 2048;

// Prints one printf-style message when `level` <= verbosity and `format` is set.
void console_log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// One key press from the console (no Enter needed); true for "y" or "Y". End of
// input counts as "no".
bool console_key_is_yes();

// "\t% <label>  AA BB CC DD"
void trace_reply(int level, const char* label, const std::uint8_t reply[4]);

// "\t% <label>\tcommand AA BB CC DD,  reply EE FF GG HH"
void trace_exchange(int level, const char* label, const std::uint8_t command[4],
                    const std::uint8_t reply[4]);

} // namespace quarnel
