// Strict reading of the number line of a serial-number file.
#include "platform/number_file.h"

#include <algorithm>

namespace platform {

std::optional<number_file_text> parse_number_file(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t\r\n");
    if (at == std::string::npos || text[at] < '0' || text[at] > '9') {
        return std::nullopt;
    }
    std::uint64_t number = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        number = number * 10 + static_cast<unsigned>(text[at] - '0');
        if (number > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    at = std::min(text.size(), text.find_first_not_of(" \t", at));
    if (at < text.size() && text[at] == '\r') {
        ++at;
        if (at == text.size() || text[at] != '\n') {
            return std::nullopt;
        }
    }
    if (at < text.size()) {
        if (text[at] != '\n') {
            return std::nullopt;
        }
        ++at;
    }
    return number_file_text{static_cast<std::uint32_t>(number), text.substr(at)};
}

std::string number_file_content(std::uint64_t number, const char* line_end,
                                const std::string& rest) {
    return std::to_string(number) + line_end + rest;
}

} // namespace platform
