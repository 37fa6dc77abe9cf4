// The five built-in parallel-port adapter wirings, as register-level masks.
#include "quarnel/adapters/lpt/lpt_adapter_tables.h"

#include "quarnel/adapters/lpt/lpt_pins.h"

namespace quarnel {

namespace {

// Pin map with the given name and signals (index, normal mask, inverted mask).
struct SignalRow {
    pin_signal signal;
    std::uint32_t normal;
    std::uint32_t inverted;
};

constexpr pinmap_t make_pinmap(const char* name, std::initializer_list<SignalRow> rows) {
    pinmap_t map;
    for (std::size_t i = 0; name[i] != '\0' && i + 1 < pinmap_name_size; ++i) {
        map.name[i] = name[i];
    }
    for (const SignalRow& row : rows) {
        map[row.signal] = {.normal = row.normal, .inverted = row.inverted};
    }
    return map;
}

} // namespace

constexpr pinmap_t kelma_pinmap = make_pinmap("KELMA", {
                                                           {SIG_MOSI, LPT_D5, 0},
                                                           {SIG_MISO, LPT_ACK, 0},
                                                           {SIG_SCK, LPT_D6, 0},
                                                           {SIG_RESET, LPT_D4, 0},
                                                           {SIG_XTAL, LPT_D3, 0},
                                                       });

constexpr pinmap_t xilinx_pinmap = make_pinmap("XILINX", {
                                                             {SIG_MOSI, LPT_D0, 0},
                                                             {SIG_MISO, LPT_ONLINE, 0},
                                                             {SIG_SCK, LPT_D1, 0},
                                                             {SIG_RESET, LPT_D2, 0},
                                                             {SIG_SET, LPT_D4, 0},
                                                             {SIG_ENABLE, 0, LPT_D3},
                                                         });

constexpr pinmap_t stk_pinmap = make_pinmap("STK", {
                                                       {SIG_MOSI, LPT_D5, 0},
                                                       {SIG_MISO, LPT_ACK, 0},
                                                       {SIG_SCK, LPT_D4, 0},
                                                       {SIG_RESET, LPT_D7, 0},
                                                       {SIG_ENABLE, 0, LPT_D2 | LPT_D3},
                                                   });

constexpr pinmap_t byteblaster_pinmap = make_pinmap("ByteBlaster", {
                                                                       {SIG_MOSI, LPT_D6, 0},
                                                                       {SIG_MISO, 0, LPT_BUSY},
                                                                       {SIG_SCK, LPT_D0, 0},
                                                                       {SIG_RESET, LPT_D1, 0},
                                                                       {SIG_XTAL, LPT_D3, 0},
                                                                       {SIG_ENABLE, LPT_ALF, 0},
                                                                   });

constexpr pinmap_t byteblaster2_pinmap = make_pinmap(
    "ByteBlasterII",
    {
        {SIG_MOSI, LPT_D6, 0},
        {SIG_MISO, 0, LPT_BUSY},
        {SIG_SCK, LPT_D0, 0},
        {SIG_RESET, LPT_D1, 0},
        {SIG_XTAL, LPT_D2, 0},
        {SIG_ENABLE, LPT_INIT | LPT_D7 | LPT_D5 | LPT_D4, LPT_STROBE | LPT_ALF | LPT_SELECT},
    });

} // namespace quarnel
