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

// The value as value_text gives it; without '=' it also prints
// "  Error write command.\n"; an empty value yields nothing silently.
std::optional<std::string> switch_value(std::string_view arg);

// 1 to `max_digits` hexadecimal digits and nothing else, or nothing.
std::optional<std::uint32_t> parse_hex(std::string_view text, std::size_t max_digits);

// Decimal digits only, at most 4294967295, or nothing.
std::optional<std::uint32_t> parse_decimal(std::string_view text);

// The hexadecimal byte (1 or 2 digits) that `text` holds; nothing after a
// message when it holds none.
std::optional<std::uint8_t> hex_byte_value(const std::string& text);

// The decimal number that `text` holds; nothing after a message when it holds none.
std::optional<std::uint32_t> decimal_value(const std::string& text);

// Reads the value of a hex-byte switch (fuse or lock byte). False after a
// message when the value is no hexadecimal byte; `value` stays empty when the
// switch has none.
bool hex_byte_switch(std::string_view arg, std::optional<std::uint8_t>& value);

// Reads the value of a decimal switch, as hex_byte_switch does.
bool decimal_switch(std::string_view arg, std::optional<std::uint32_t>& value);

} // namespace dorvik
