// Switch matching and strict number conversion.
#include "dorvik/command_line.h"

#include "dorvik/hex_digits.h"

#include <limits>

namespace dorvik {

bool has_switch(std::string_view arg, std::string_view name) {
    return arg.starts_with(name);
}

std::optional<std::string> value_text(std::string_view arg) {
    const std::size_t eq = arg.find('=');
    if (eq == std::string_view::npos || eq + 1 == arg.size()) {
        return std::nullopt;
    }
    return std::string(arg.substr(eq + 1));
}

std::optional<std::uint32_t> parse_hex(std::string_view text, std::size_t max_digits) {
    if (text.empty() || text.size() > max_digits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = hex_digit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<std::uint32_t> parse_decimal(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace dorvik
