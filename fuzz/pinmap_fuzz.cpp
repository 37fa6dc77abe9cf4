// Pin maps, inline and from adapter configuration files, for the port and the FTDI chips.
#include "fuzz/fuzz_support.h"
#include "quarnel/adapters/ftdi/ftdi_pins.h"
#include "quarnel/adapters/lpt/lpt_pins.h"
#include "quarnel/adapters/pinmap_parser.h"
#include "quarnel/common/errors.h"

using namespace quarnel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quiet_console();
    if (size == 0) {
        return 0;
    }
    // The first byte picks the pin table and whether the rest is a file or inline text.
    const pin_table_t tables[] = {lpt_pin_table, ft2232_pin_table, ft2232h_pin_table,
                                  ft4232h_pin_table};
    const pin_table_t table = tables[data[0] % 4];
    std::string text;
    if (data[0] & 4) {
        text = std::string("=") + scratch_file(data + 1, size - 1);
    } else {
        text = ":" + std::string(reinterpret_cast<const char*>(data) + 1, size - 1);
    }
    pinmap_t map;
    try {
        parse_pinmap(map, text.c_str(), table);
    } catch (const app_error&) {
    }
    return 0;
}
