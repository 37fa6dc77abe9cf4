// Switch recognition and the conversion of switch values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dorvik {

// The command line, program name included.
using Args = std::vector<std::string>;

// True when `arg` begins with the switch text (case-sensitive), so "-rf=a.hex"
// is the switch "-rf".
bool has_switch(std::string_view arg, std::string_view name);

// The text after the first '=' of a switch argument, or nothing when there is
// no '=' or nothing after it. Prints nothing.
std::optional<std::string> value_text(std::string_view arg);

// 1 to `max_digits` hexadecimal digits and nothing else, or nothing.
std::optional<std::uint32_t> parse_hex(std::string_view text, std::size_t max_digits);

// Decimal digits only, at most 4294967295, or nothing.
std::optional<std::uint32_t> parse_decimal(std::string_view text);

} // namespace dorvik
