// Pin-map record operations and the signal vocabulary.
#include "quarnel/adapters/pinmap.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quarnel {

const SignalInfo signal_table[SIGNAL_COUNT] = {
    {.name = "mosi", .direction = DIR_OUTPUT, .several_lines = false},
    {.name = "miso", .direction = DIR_INPUT, .several_lines = false},
    {.name = "sck", .direction = DIR_OUTPUT, .several_lines = false},
    {.name = "reset", .direction = DIR_OUTPUT, .several_lines = false},
    {.name = "xtal", .direction = DIR_OUTPUT, .several_lines = false},
    {.name = "power", .direction = DIR_OUTPUT, .several_lines = true},
    {.name = "set", .direction = DIR_OUTPUT, .several_lines = true},
    {.name = "enable", .direction = DIR_OUTPUT, .several_lines = true},
    {.name = "led_error", .direction = DIR_OUTPUT, .several_lines = true},
    {.name = "led_ok", .direction = DIR_OUTPUT, .several_lines = true},
    {.name = "key", .direction = DIR_INPUT, .several_lines = false},
};

namespace {
bool same_name(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}
} // namespace

const char* direction_name(std::uint8_t direction) {
    switch (direction) {
    case DIR_INPUT:
        return "input";
    case DIR_OUTPUT:
        return "output";
    default:
        return "bidirectional";
    }
}

void clear(pinmap_t& map) {
    map = pinmap_t{};
}

void set_name(pinmap_t& map, const char* name) {
    std::strncpy(map.name, name, pinmap_name_size - 1);
    map.name[pinmap_name_size - 1] = '\0';
}

void fill_defaults(pinmap_t& map, const pinmap_t& defaults) {
    if (map.name[0] == '\0') {
        set_name(map, defaults.name);
    }
    for (int s = 0; s < SIGNAL_COUNT; ++s) {
        if (!map.signals[s].present()) {
            map.signals[s] = defaults.signals[s];
        }
    }
}

void require_defined(const pinmap_t& map, std::initializer_list<pin_signal> signals) {
    for (pin_signal s : signals) {
        if (!map[s].present()) {
            console_log(0, "%s must be defined\n", signal_table[s].name);
            throw app_error(EXIT_ENVIRONMENT);
        }
    }
}

void require_within(const pinmap_t& map, std::initializer_list<pin_signal> signals,
                    std::uint32_t allowed, const char* label) {
    for (pin_signal s : signals) {
        if ((map[s].lines() & ~allowed) != 0) {
            console_log(0, "%s must be in %s\n", signal_table[s].name, label);
            throw app_error(EXIT_ENVIRONMENT);
        }
    }
}

const PinInfo* find_pin(pin_table_t table, const char* name) {
    for (const PinInfo& pin : table) {
        if (same_name(pin.name, name)) {
            return &pin;
        }
    }
    return nullptr;
}

const SignalInfo* find_signal(const char* name) {
    for (const SignalInfo& signal : signal_table) {
        if (same_name(signal.name, name)) {
            return &signal;
        }
    }
    return nullptr;
}

// A default fills only the signals the pin map leaves out, unchecked against the lines the
// map gave to others: reset=dbus0 would share SCK, led_ok=dbus2 would drive against the
// target's MISO. Refused as two listed signals on one line are.
void require_own_lines(const pinmap_t& listed, const pinmap_t& filled, pin_table_t table) {
    for (int d = 0; d < SIGNAL_COUNT; ++d) {
        if (listed.signals[d].present()) {
            continue;
        }
        for (int s = 0; s < SIGNAL_COUNT; ++s) {
            const std::uint32_t shared = filled.signals[d].lines() & listed.signals[s].lines();
            if (shared == 0) {
                continue;
            }
            const std::uint32_t line = shared & (~shared + 1);
            const auto pin = std::find_if(table.begin(), table.end(),
                                          [line](const PinInfo& p) { return p.mask == line; });
            console_log(0, "adapter: can't use '%s' for '%s' - already used for '%s'\n",
                        pin != table.end() ? pin->name : "?", signal_table[s].name,
                        signal_table[d].name);
            throw app_error(EXIT_ENVIRONMENT);
        }
    }
}

} // namespace quarnel
