// The parallel-port pin table.
#include "quarnel/adapters/lpt/lpt_pins.h"

namespace quarnel {

namespace {

constexpr PinInfo pins[] = {
    {.name = "D0", .mask = LPT_D0, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "D1", .mask = LPT_D1, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "D2", .mask = LPT_D2, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "D3", .mask = LPT_D3, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "D4", .mask = LPT_D4, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "D5", .mask = LPT_D5, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "D6", .mask = LPT_D6, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "D7", .mask = LPT_D7, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "ERROR", .mask = LPT_ERROR, .direction = DIR_INPUT, .hardware_inverted = false},
    {.name = "ONLINE", .mask = LPT_ONLINE, .direction = DIR_INPUT, .hardware_inverted = false},
    {.name = "PE", .mask = LPT_PE, .direction = DIR_INPUT, .hardware_inverted = false},
    {.name = "ACK", .mask = LPT_ACK, .direction = DIR_INPUT, .hardware_inverted = false},
    {.name = "BUSY", .mask = LPT_BUSY, .direction = DIR_INPUT, .hardware_inverted = true},
    {.name = "STROBE", .mask = LPT_STROBE, .direction = DIR_OUTPUT, .hardware_inverted = true},
    {.name = "ALF", .mask = LPT_ALF, .direction = DIR_OUTPUT, .hardware_inverted = true},
    {.name = "INIT", .mask = LPT_INIT, .direction = DIR_OUTPUT, .hardware_inverted = false},
    {.name = "SELECT", .mask = LPT_SELECT, .direction = DIR_OUTPUT, .hardware_inverted = true},
    {.name = "BIDIR_EN", .mask = LPT_BIDIR_EN, .direction = DIR_OUTPUT, .hardware_inverted = false},
};

} // namespace

const pin_table_t lpt_pin_table{pins};

} // namespace quarnel
