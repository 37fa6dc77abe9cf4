// Bit-bang pin tables and the default wiring.
#include "quarnel/adapters/ftdi/bitbang/bitbang_pins.h"

#include <array>

namespace quarnel {

namespace {
constexpr PinInfo line(const char* name, int bit) {
    return {name, 1u << bit, DIR_BIDIRECTIONAL, false};
}

// Each line by its serial name and by its bit; the FT230X has the first four of each.
constexpr std::array<PinInfo, 16> bitbang_pins = {
    line("TXD", 0), line("RXD", 1), line("RTS", 2), line("CTS", 3), line("D0", 0),  line("D1", 1),
    line("D2", 2),  line("D3", 3),  line("DTR", 4), line("DSR", 5), line("DCD", 6), line("RI", 7),
    line("D4", 4),  line("D5", 5),  line("D6", 6),  line("D7", 7),
};
} // namespace

const pin_table_t ft232r_pin_table{bitbang_pins};
const pin_table_t ft230x_pin_table{bitbang_pins.data(), 8};

const pinmap_t& default_bitbang_pinmap() {
    static const pinmap_t defaults = [] {
        pinmap_t map;
        set_name(map, "FT232R bit-bang");
        map[SIG_SCK].normal = 0x01;
        map[SIG_MISO].normal = 0x02;
        map[SIG_MOSI].normal = 0x04;
        map[SIG_RESET].normal = 0x10;
        return map;
    }();
    return defaults;
}

} // namespace quarnel
