// Conversion of Windows-1251 text for hosts whose terminals speak UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace dorvik {

// The UTF-8 form of Windows-1251 text (ASCII passes unchanged).
std::string cp1251_to_utf8(std::string_view text);

// The text as this host's terminal shows it: unchanged on Windows, where the
// console takes Windows-1251, converted to UTF-8 elsewhere.
std::string terminal_text(std::string_view cp1251_text);

} // namespace dorvik
