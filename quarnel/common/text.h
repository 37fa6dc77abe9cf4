// Small text helpers shared by the configuration readers.
#pragma once

#include <cstddef>

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

} // namespace quarnel
