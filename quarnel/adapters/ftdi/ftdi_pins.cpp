// FTDI GPIO pin tables and the default MPSSE pin map.
#include "quarnel/adapters/ftdi/ftdi_pins.h"

#include <array>

namespace quarnel {

namespace {
constexpr PinInfo line(const char* name, int bit) {
    return {name, 1u << bit, DIR_BIDIRECTIONAL, false};
}

constexpr std::array<PinInfo, 12> ft2232_pins = {
    line("adbus0", 0), line("adbus1", 1), line("adbus2", 2),  line("adbus3", 3),
    line("adbus4", 4), line("adbus5", 5), line("adbus6", 6),  line("adbus7", 7),
    line("acbus0", 8), line("acbus1", 9), line("acbus2", 10), line("acbus3", 11),
};

constexpr std::array<PinInfo, 16> ft2232h_pins = {
    line("dbus0", 0),  line("dbus1", 1),  line("dbus2", 2),  line("dbus3", 3),
    line("dbus4", 4),  line("dbus5", 5),  line("dbus6", 6),  line("dbus7", 7),
    line("cbus0", 8),  line("cbus1", 9),  line("cbus2", 10), line("cbus3", 11),
    line("cbus4", 12), line("cbus5", 13), line("cbus6", 14), line("cbus7", 15),
};
} // namespace

const pin_table_t ft2232_pin_table{ft2232_pins};
// The FT4232H has the low byte only: the first eight lines of the H table.
const pin_table_t ft4232h_pin_table{ft2232h_pins.data(), 8};
const pin_table_t ft2232h_pin_table{ft2232h_pins};

const pinmap_t& default_mpsse_pinmap() {
    static const pinmap_t defaults = [] {
        pinmap_t map;
        set_name(map, "FT2232 MPSSE");
        map[SIG_MOSI].normal = MPSSE_MOSI_LINE;
        map[SIG_MISO].normal = MPSSE_MISO_LINE;
        map[SIG_SCK].normal = MPSSE_SCK_LINE;
        map[SIG_RESET].normal = 0x0008;
        return map;
    }();
    return defaults;
}

} // namespace quarnel
