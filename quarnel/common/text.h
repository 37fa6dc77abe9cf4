// Small text helpers shared by the configuration readers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quarnel {

// Removes trailing white space in place; returns `s`.
char* trim_right(char* s);

// Removes white space at both ends in place; returns the start of the text.
char* trim(char* s);

// Cuts a line at the first '#' and at the first ';' (comments).
void strip_comment(char* s);

// Copies the next token of `text` (delimiters skipped before it) into `dest`,
// at most size - 1 characters; returns the position after the token, or
// nullptr when no token remains.
const char* next_token(const char* text, const char* delimiters, char* dest, std::size_t size);

// Longest shown part of a line taken from an input file, before "...".
inline constexpr std::size_t shown_line_max = 80;

// A line of an input file as a message may show it: every byte outside
// printable ASCII as \xNN, cut with "..." once the shown
// text would pass shown_line_max characters.
std::string shown_line(std::string_view line);

// True when every byte of `line` is printable ASCII or a tab.
bool is_text_line(std::string_view line);

} // namespace quarnel
