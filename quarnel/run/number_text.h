// Strict reading of numbers written in command-line switches.
#pragma once

#include <optional>
#include <string_view>

namespace quarnel {

// The whole text as a decimal number without sign; nothing when the text is
// empty, holds anything else or exceeds `limit`.
std::optional<unsigned long> read_decimal(std::string_view text, unsigned long limit);

// The whole text as a decimal number with an optional '+' or '-'.
std::optional<long> read_signed_decimal(std::string_view text, long limit);

// The whole text as a hexadecimal number, an optional "0x" first.
std::optional<unsigned long> read_hex(std::string_view text, unsigned long limit);

} // namespace quarnel
