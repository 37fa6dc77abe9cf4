// The text of a serial-number file: one decimal number alone on its first line, any lines
// after it belonging to the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct number_file_text {
    std::uint32_t number = 0;
    std::string rest; // everything after the number's line end, kept as it is
};

// Blank space (empty lines too) may come before the number, and blanks (spaces, tabs) after
// it; then the line ends (LF or CR LF) or the text does. Anything else on the line (a sign,
// "0x", an exponent, letters), no digit at all or a number above 4294967295 gives nothing.
// Leading zeros are part of the number.
std::optional<number_file_text> parse_number_file(const std::string& text);

// The file's text with `number` on its first line, ended by `line_end`, and `rest` after it.
std::string number_file_content(std::uint64_t number, const char* line_end,
                                const std::string& rest);

} // namespace platform
