// Built-in adapter wirings and the pin-map entry reader for user-defined ones.
#include "sim/wiring.h"

#include <cctype>
#include <stdexcept>

namespace avrsim {

namespace {

constexpr std::uint32_t D(int n) {
    return 1u << n;
}
constexpr std::uint32_t ERROR_PIN = 0x800, ONLINE = 0x1000, PE = 0x2000, ACK = 0x4000,
                        BUSY = 0x8000, STROBE = 0x10000, ALF = 0x20000, INIT = 0x40000,
                        SELECT = 0x80000, BIDIR_EN = 0x200000;

struct PinName {
    const char* name;
    std::uint32_t mask;
    bool output;
    bool hardware_inverted;
};

constexpr PinName pin_names[] = {
    {"D0", D(0), true, false},          {"D1", D(1), true, false},
    {"D2", D(2), true, false},          {"D3", D(3), true, false},
    {"D4", D(4), true, false},          {"D5", D(5), true, false},
    {"D6", D(6), true, false},          {"D7", D(7), true, false},
    {"ERROR", ERROR_PIN, false, false}, {"ONLINE", ONLINE, false, false},
    {"PE", PE, false, false},           {"ACK", ACK, false, false},
    {"BUSY", BUSY, false, true},        {"STROBE", STROBE, true, true},
    {"ALF", ALF, true, true},           {"INIT", INIT, true, false},
    {"SELECT", SELECT, true, true},     {"BIDIR_EN", BIDIR_EN, true, false},
};

// One built-in adapter as a row: the lines it drives, its buffer enable and the loop-backs
// its detection looks for.
struct WiringRow {
    const char* key; // value of the adapter setting
    const char* name;
    PortLines mosi, miso, sck, reset, xtal, enable;
    LoopBack loop_backs[3];
    int loop_back_count;
};

constexpr PortLines plain(std::uint32_t mask) {
    return {mask, 0};
}
constexpr PortLines inv(std::uint32_t mask) {
    return {0, mask};
}

constexpr WiringRow built_in[] = {
    {.key = "kelma",
     .name = "KELMA",
     .mosi = plain(D(5)),
     .miso = plain(ACK),
     .sck = plain(D(6)),
     .reset = plain(D(4)),
     .xtal = plain(D(3)),
     .enable = {},
     .loop_backs = {},
     .loop_back_count = 0},
    // STK200 ties PE to D0, STK300 BUSY to D1; both buffer everything behind D2 and D3.
    {.key = "stk200",
     .name = "STK200",
     .mosi = plain(D(5)),
     .miso = plain(ACK),
     .sck = plain(D(4)),
     .reset = plain(D(7)),
     .xtal = plain(D(6)),
     .enable = inv(D(2) | D(3)),
     .loop_backs = {{5, 0, false}},
     .loop_back_count = 1},
    {.key = "stk300",
     .name = "STK300",
     .mosi = plain(D(5)),
     .miso = plain(ACK),
     .sck = plain(D(4)),
     .reset = plain(D(7)),
     .xtal = plain(D(6)),
     .enable = inv(D(2) | D(3)),
     .loop_backs = {{7, 1, false}},
     .loop_back_count = 1},
    // ByteBlaster: ACK from D5, PE from D7, ERROR grounded (MV: at Vcc); buffer on ALF low.
    {.key = "byteblaster",
     .name = "ByteBlaster",
     .mosi = plain(D(6)),
     .miso = inv(BUSY),
     .sck = plain(D(0)),
     .reset = plain(D(1)),
     .xtal = plain(D(3)),
     .enable = plain(ALF),
     .loop_backs = {{6, 5, false}, {5, 7, false}, {3, -1, false}},
     .loop_back_count = 3},
    {.key = "byteblastermv",
     .name = "ByteBlasterMV",
     .mosi = plain(D(6)),
     .miso = inv(BUSY),
     .sck = plain(D(0)),
     .reset = plain(D(1)),
     .xtal = plain(D(3)),
     .enable = plain(ALF),
     .loop_backs = {{6, 5, false}, {5, 7, false}, {3, -1, true}},
     .loop_back_count = 3},
    // ByteBlaster-II: ACK and ERROR follow D4.
    {.key = "byteblaster2",
     .name = "ByteBlaster-II",
     .mosi = plain(D(6)),
     .miso = inv(BUSY),
     .sck = plain(D(0)),
     .reset = plain(D(1)),
     .xtal = plain(D(2)),
     .enable = {INIT | D(7) | D(5) | D(4), STROBE | ALF | SELECT},
     .loop_backs = {{6, 4, false}, {3, 4, false}},
     .loop_back_count = 2},
    {.key = "xilinx",
     .name = "XILINX",
     .mosi = plain(D(0)),
     .miso = plain(ONLINE),
     .sck = plain(D(1)),
     .reset = plain(D(2)),
     .xtal = {},
     .enable = inv(D(3)),
     .loop_backs = {},
     .loop_back_count = 0},
    // dorvik's probe: PE follows D0, BUSY follows D1.
    {.key = "dorvik",
     .name = "dorvik",
     .mosi = plain(D(5)),
     .miso = plain(ACK),
     .sck = plain(D(4)),
     .reset = plain(D(7)),
     .xtal = {},
     .enable = {},
     .loop_backs = {{5, 0, false}, {7, 1, false}},
     .loop_back_count = 2},
};

Wiring from_row(const WiringRow& row) {
    Wiring w;
    w.name = row.name;
    w.mosi = row.mosi;
    w.miso = row.miso;
    w.sck = row.sck;
    w.reset = row.reset;
    w.xtal = row.xtal;
    w.enable = row.enable;
    w.loop_backs.assign(row.loop_backs, row.loop_backs + row.loop_back_count);
    return w;
}

std::string lower(std::string text) {
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const PinName* find_pin(const std::string& name) {
    for (const PinName& pin : pin_names) {
        if (lower(pin.name) == lower(name)) {
            return &pin;
        }
    }
    return nullptr;
}

PortLines* signal_of(Wiring& w, const std::string& key, bool& is_input) {
    struct Slot {
        const char* name;
        PortLines Wiring::*member;
        bool input;
    };
    static const Slot slots[] = {
        {"mosi", &Wiring::mosi, false},     {"miso", &Wiring::miso, true},
        {"sck", &Wiring::sck, false},       {"reset", &Wiring::reset, false},
        {"xtal", &Wiring::xtal, false},     {"power", &Wiring::power, false},
        {"enable", &Wiring::enable, false},
    };
    for (const Slot& slot : slots) {
        if (lower(key) == slot.name) {
            is_input = slot.input;
            return &(w.*slot.member);
        }
    }
    return nullptr;
}

// One entry "signal=pin[,pin...]"; "~" marks a line that is low when the signal is high.
void add_entry(Wiring& w, const std::string& entry) {
    const auto equals = entry.find('=');
    if (equals == std::string::npos || equals + 1 >= entry.size()) {
        throw std::runtime_error("invalid pin-map entry '" + entry + "'");
    }
    const std::string key = trimmed(entry.substr(0, equals));
    std::string value = entry.substr(equals + 1);
    if (lower(key) == "name") {
        w.name = trimmed(value);
        return;
    }
    bool is_input = false;
    PortLines* lines = signal_of(w, key, is_input);
    if (lines == nullptr) {
        // Lamps, key and set lines of an adapter do not reach the chip.
        static const char* ignored[] = {"set", "led_error", "led_ok", "key"};
        for (const char* name : ignored) {
            if (lower(key) == name) {
                return;
            }
        }
        throw std::runtime_error("invalid signal name '" + key + "'");
    }
    std::size_t start = 0;
    while (start <= value.size()) {
        const auto comma = value.find(',', start);
        std::string pin = trimmed(value.substr(start, comma - start));
        const bool tilde = !pin.empty() && pin[0] == '~';
        if (tilde) {
            pin.erase(0, 1);
        }
        const PinName* found = find_pin(pin);
        if (found == nullptr) {
            throw std::runtime_error("invalid pin name '" + pin + "'");
        }
        if (found->output == is_input) {
            std::string message = "pin '" + pin;
            message += "' cannot carry signal '" + key + "'";
            throw std::runtime_error(message);
        }
        if (tilde == found->hardware_inverted) {
            lines->normal |= found->mask;
        } else {
            lines->inverted |= found->mask;
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
}

Wiring user_map(const std::string& entries) {
    Wiring w;
    w.name = "user pin map";
    std::size_t start = 0;
    while (start < entries.size()) {
        const auto colon = entries.find(':', start);
        const std::string entry = entries.substr(start, colon - start);
        if (!trimmed(entry).empty()) {
            add_entry(w, entry);
        }
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    if (!w.mosi.present() || !w.miso.present() || !w.sck.present() || !w.reset.present()) {
        throw std::runtime_error("a pin map needs mosi, miso, sck and reset");
    }
    return w;
}

} // namespace

bool PortLines::level(std::uint32_t image) const {
    return (image & normal) == normal && (image & inverted) == 0;
}

Wiring wiring_for(const std::string& adapter) {
    const std::string name = lower(trimmed(adapter));
    if (name.rfind("map:", 0) == 0) {
        return user_map(trimmed(adapter).substr(4));
    }
    for (const WiringRow& row : built_in) {
        if (name == row.key) {
            return from_row(row);
        }
    }
    if (name == "none") {
        Wiring w;
        w.name = "nothing attached";
        w.attached = false;
        return w;
    }
    throw std::runtime_error("unknown adapter '" + adapter + "'");
}

} // namespace avrsim
