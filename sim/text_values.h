// Readers for the values of target-file settings; each throws target_error on bad text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace avrsim {

std::string trim_blanks(const std::string& text);
std::vector<std::string> split_words(const std::string& text);
std::vector<std::string> split_list(const std::string& text, char separator);

// One or two hex digits.
std::uint8_t parse_hex_byte(const std::string& text);
// Hex digits, for addresses.
std::uint32_t parse_hex_number(const std::string& text);
// Decimal whole number in [min, max].
long parse_count(const std::string& text, long min, long max);
// Decimal number above 0 and at most max.
double parse_positive(const std::string& text, double max);
// Frequency with an optional Hz, kHz or MHz unit (k and M also accepted).
double parse_frequency(const std::string& text);
bool parse_yes_no(const std::string& text);

} // namespace avrsim
