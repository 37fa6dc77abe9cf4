// Trimming, comment stripping and tokenizing of configuration text.
#include "quarnel/common/text.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace quarnel {

char* trim_right(char* s) {
    std::size_t len = std::strlen(s);
    while (len > 0 && std::isspace(static_cast<unsigned char>(s[len - 1])) != 0) {
        s[--len] = '\0';
    }
    return s;
}

char* trim(char* s) {
    while (*s != '\0' && std::isspace(static_cast<unsigned char>(*s)) != 0) {
        ++s;
    }
    return trim_right(s);
}

void strip_comment(char* s) {
    if (char* hash = std::strchr(s, '#')) {
        *hash = '\0';
    }
    if (char* semi = std::strchr(s, ';')) {
        *semi = '\0';
    }
}

const char* next_token(const char* text, const char* delimiters, char* dest, std::size_t size) {
    if (text == nullptr || size == 0) {
        return nullptr;
    }
    text += std::strspn(text, delimiters);
    if (*text == '\0') {
        dest[0] = '\0';
        return nullptr;
    }
    const std::size_t len = std::strcspn(text, delimiters);
    const std::size_t n = len < size - 1 ? len : size - 1;
    std::memcpy(dest, text, n);
    dest[n] = '\0';
    return text + len;
}

namespace {

bool is_printable(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}

} // namespace

std::string shown_line(std::string_view line) {
    std::string shown;
    for (const char byte : line) {
        const auto c = static_cast<unsigned char>(byte);
        char piece[5] = {byte, '\0'};
        if (!is_printable(c)) {
            std::snprintf(piece, sizeof piece, "\\x%02X", c);
        }
        if (shown.size() + std::strlen(piece) > shown_line_max) {
            return shown + "...";
        }
        shown += piece;
    }
    return shown;
}

bool is_text_line(std::string_view line) {
    for (const char c : line) {
        if (c != '\t' && !is_printable(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

} // namespace quarnel
