// Finding catalogue rows by name and naming them.
#include "quarnel/devices/device_lookup.h"

#include "quarnel/devices/device_table.h"

#include <cctype>
#include <cstring>

namespace {

bool same_letters(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

bool names_match(const char* text, const char* names) {
    if (!text || !names)
        return false;
    const std::size_t text_length = std::strlen(text);
    for (const char* name = names;;) {
        const char* bar = std::strchr(name, '|');
        const std::size_t length = bar ? std::size_t(bar - name) : std::strlen(name);
        if (length == text_length && same_letters(text, name, length))
            return true;
        if (!bar)
            return false;
        name = bar + 1;
    }
}

int find_device(const char* text) {
    for (int index = 0; device_table[index].names; ++index)
        if (names_match(text, device_table[index].names))
            return index;
    return -1;
}

const char* device_display_name(int index) {
    if (index < 0 || index >= device_count)
        return "unknown";
    return device_table[index].names;
}
