// Pin-map entries, the inline form and configuration files.
#include "quarnel/adapters/pinmap_parser.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/common/files.h"
#include "quarnel/common/text.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace quarnel {

namespace {

// Longest entry or configuration-file line handled as one piece.
constexpr std::size_t entry_max = 511;

[[noreturn]] void fail(const char* format, auto... args) {
    console_log(0, format, args...);
    throw app_error(EXIT_ENVIRONMENT);
}

// A message without values: printed as it stands.
[[noreturn]] void fail(const char* message) {
    console_log(0, "%s", message);
    throw app_error(EXIT_ENVIRONMENT);
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n\f\v");
    return text.substr(first, last - first + 1);
}

// The signal (other than none) already using any line of `mask`, or -1.
int signal_using(const pinmap_t& map, std::uint32_t mask) {
    for (int s = 0; s < SIGNAL_COUNT; ++s) {
        if ((map.signals[s].lines() & mask) != 0) {
            return s;
        }
    }
    return -1;
}

void add_pin(pinmap_t& map, int signal, const std::string& key, std::string pin_text,
             pin_table_t table) {
    const SignalInfo& info = signal_table[signal];
    pin_text = trimmed(pin_text);
    bool marked = false;
    if (!pin_text.empty() && pin_text[0] == '~') {
        marked = true;
        pin_text.erase(0, 1);
    }
    const PinInfo* pin = find_pin(table, pin_text.c_str());
    if (pin == nullptr) {
        fail("adapter: invalid pin name '%s'\n", shown_line(pin_text).c_str());
    }
    const int user = signal_using(map, pin->mask);
    if (user >= 0) {
        fail("adapter: can't use '%s' for '%s' - already used for '%s'\n",
             shown_line(pin_text).c_str(), shown_line(key).c_str(), signal_table[user].name);
    }
    if ((pin->direction & info.direction) == 0) {
        fail("adapter: can't use %s pin '%s' for %s signal '%s'\n", direction_name(pin->direction),
             pin->name, direction_name(info.direction), info.name);
    }
    if (map.signals[signal].present() && !info.several_lines) {
        fail("adapter: can't use multiply pins for signal '%s'\n", info.name);
    }
    // '~' gives the level on the connector; the pin's own inversion turns it
    // into the register bit.
    if (marked == pin->hardware_inverted) {
        map.signals[signal].normal |= pin->mask;
    } else {
        map.signals[signal].inverted |= pin->mask;
    }
}

void parse_file(pinmap_t& map, const char* name, pin_table_t table) {
    const std::optional<std::string> path = find_config_file(name);
    if (!path) {
        console_log(0, "File '%s' not found\n", name);
        print_config_search(0, name);
        throw app_error(EXIT_ENVIRONMENT);
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_file(path->c_str(), "r"),
                                                         &std::fclose);
    console_log(3, "\t%% loading config file '%s'\n", path->c_str());
    // A line longer than one piece goes on as a further entry, so nothing of
    // it is silently lost.
    char line[entry_max + 1];
    while (std::fgets(line, sizeof line, file.get()) != nullptr) {
        strip_comment(line);
        trim_right(line);
        if (line[0] != '\0') {
            parse_entry(map, line, table);
        }
    }
}

void parse_inline(pinmap_t& map, const char* text, pin_table_t table) {
    const std::string rest = text;
    std::size_t start = 0;
    while (start <= rest.size()) {
        auto end = rest.find(':', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        std::string piece = rest.substr(start, end - start);
        if (!piece.empty()) {
            if (piece.size() > entry_max) {
                piece.resize(entry_max);
            }
            parse_entry(map, piece.c_str(), table);
        }
        start = end + 1;
    }
}

} // namespace

void parse_entry(pinmap_t& map, const char* entry, pin_table_t table) {
    const char* equals = std::strchr(entry, '=');
    if (equals == nullptr || equals[1] == '\0') {
        fail("adapter: invalid string '%s'\n", shown_line(entry).c_str());
    }
    const std::string key = trimmed(std::string(entry, equals));
    const std::string value = equals + 1;

    std::string lower = key;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (lower == "name") {
        if (map.name[0] != '\0') {
            fail("adapter: duplicate keyword 'name'\n");
        }
        // Every later message shows the name; a file's control bytes must not reach the terminal.
        set_name(map, shown_line(trimmed(value)).c_str());
        return;
    }
    const SignalInfo* info = find_signal(key.c_str());
    if (info == nullptr) {
        fail("adapter: invalid signal name '%s'\n", shown_line(key).c_str());
    }
    const int signal = static_cast<int>(info - signal_table);
    if (map.signals[signal].present()) {
        fail("adapter: duplicate signal name '%s'\n", shown_line(key).c_str());
    }
    std::size_t start = 0;
    while (true) {
        const auto comma = value.find(',', start);
        add_pin(map, signal, key, value.substr(start, comma - start), table);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
}

void parse_pinmap(pinmap_t& map, const char* text, pin_table_t table) {
    const char* mark = std::strpbrk(text, "=:");
    if (mark == nullptr) {
        return;
    }
    if (mark[1] == '\0') {
        fail("Invalid adapter switch '%s'\n", text);
    }
    if (*mark == ':') {
        parse_inline(map, mark + 1, table);
    } else {
        parse_file(map, mark + 1, table);
    }
}

} // namespace quarnel
