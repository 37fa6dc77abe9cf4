// Finding catalogue rows by name and naming them.
#include "quarnel/devices/device_lookup.h"

#include "quarnel/devices/device_table.h"

#include <cctype>
#include <cstring>

namespace quarnel {

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool names_match(const char* text, const char* names) {
    if (!text || !names)
        return false;
    for (const char* name = names;;) {
        const char* bar = std::strchr(name, '|');
        const std::size_t length = bar ? std::size_t(bar - name) : std::strlen(name);
        if (equals_ignoring_case(text, std::string_view(name, length)))
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

int find_device_by_signature(std::uint32_t signature) {
    for (int i = 0; i < device_count; ++i)
        if (device_table[i].signature == signature)
            return i;
    return -1;
}

const char* device_display_name(int index) {
    if (index < 0 || index >= device_count)
        return "unknown";
    return device_table[index].names;
}

} // namespace quarnel
