// Value readers for target-file settings.
#include "sim/text_values.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "sim/target_error.h"

namespace avrsim {

std::string trim_blanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> split_words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text + " ") {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

std::vector<std::string> split_list(const std::string& text, char separator) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        const std::string item = trim_blanks(text.substr(start, end - start));
        if (!item.empty()) {
            items.push_back(item);
        }
        if (end == std::string::npos) {
            return items;
        }
        start = end + 1;
    }
}

std::uint32_t parse_hex_number(const std::string& text) {
    if (text.empty() || text.size() > 8) {
        throw target_error("'" + text + "' is not a hex number");
    }
    std::uint32_t value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            throw target_error("'" + text + "' is not a hex number");
        }
        value = value * 16 +
                std::uint32_t(std::isdigit(static_cast<unsigned char>(c))
                                  ? c - '0'
                                  : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    }
    return value;
}

std::uint8_t parse_hex_byte(const std::string& text) {
    if (text.size() > 2) {
        throw target_error("'" + text + "' is not a hex byte");
    }
    return std::uint8_t(parse_hex_number(text));
}

namespace {

// Plain decimal notation: strtod would also take hexadecimal, "inf" and leading blanks.
bool decimal_text(const std::string& text) {
    return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.') &&
           text.find_first_of("xX") == std::string::npos;
}

} // namespace

long parse_count(const std::string& text, long min, long max) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < min || value > max) {
        throw target_error("'" + text + "' is not a number from " + std::to_string(min) + " to " +
                           std::to_string(max));
    }
    return value;
}

double parse_positive(const std::string& text, double max) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (!decimal_text(text) || *end != '\0' || !std::isfinite(value) || value <= 0 || value > max) {
        throw target_error("'" + text + "' is not a number above 0 and at most " +
                           std::to_string(static_cast<long>(max)));
    }
    return value;
}

double parse_frequency(const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    std::string unit = end ? end : "";
    for (char& c : unit) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    if (unit == "k" || unit == "khz") {
        value *= 1e3;
    } else if (unit == "m" || unit == "mhz") {
        value *= 1e6;
    } else if (!unit.empty() && unit != "hz") {
        throw target_error("'" + text + "' is not a frequency");
    }
    if (!decimal_text(text) || end == text.c_str() || !std::isfinite(value) || value < 1000 ||
        value > 100e6) {
        throw target_error("'" + text + "' is not a frequency from 1kHz to 100MHz");
    }
    return value;
}

bool parse_yes_no(const std::string& text) {
    if (text == "yes") {
        return true;
    }
    if (text == "no") {
        return false;
    }
    throw target_error("'" + text + "' is neither yes nor no");
}

} // namespace avrsim
