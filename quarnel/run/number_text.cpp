// Numbers of command-line switches: whole text, no overflow, bounded.
#include "quarnel/run/number_text.h"

#include <charconv>

namespace quarnel {

namespace {

std::optional<unsigned long> read_unsigned(std::string_view text, int base, unsigned long limit) {
    if (text.empty() || text[0] == '+' || text[0] == '-') {
        return std::nullopt;
    }
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || value > limit) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<unsigned long> read_decimal(std::string_view text, unsigned long limit) {
    return read_unsigned(text, 10, limit);
}

std::optional<long> read_signed_decimal(std::string_view text, long limit) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const auto magnitude = read_unsigned(text, 10, static_cast<unsigned long>(limit));
    if (!magnitude) {
        return std::nullopt;
    }
    const long value = static_cast<long>(*magnitude);
    return negative ? -value : value;
}

std::optional<unsigned long> read_hex(std::string_view text, unsigned long limit) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    return read_unsigned(text, 16, limit);
}

} // namespace quarnel
