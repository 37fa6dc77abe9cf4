// Generation of the serial code table at compile time.
#include "dorvik/serial_code_table.h"

namespace dorvik {
namespace {

// A bijection of the 16-bit values: each step (multiply by an odd number,
// add, xor with a right shift of itself) can be undone, so distinct inputs
// give distinct outputs while neighbouring serial numbers get unrelated codes.
constexpr std::uint16_t scramble(std::uint16_t x) {
    std::uint32_t v = x;
    v = (v * 0x6F4Bu + 0x3C1Du) & 0xFFFFu;
    v ^= v >> 7;
    v = (v * 0x8A55u + 0x1F3Bu) & 0xFFFFu;
    v ^= v >> 9;
    v = (v * 0x2C69u + 0x5A17u) & 0xFFFFu;
    v ^= v >> 5;
    return static_cast<std::uint16_t>(v);
}

constexpr std::uint16_t ERASED = 0xFFFF;

// Entries 0..65534 take the scrambled index; where that is 0xFFFF the scramble
// is applied again until it leaves 0xFFFF ("cycle walking"), which keeps the
// mapping one-to-one on 0..65534. The last entry gets 0xFFFF itself.
constexpr std::array<std::uint32_t, SERIAL_CODE_COUNT> make_table() {
    std::array<std::uint32_t, SERIAL_CODE_COUNT> table{};
    for (std::uint32_t i = 0; i + 1 < SERIAL_CODE_COUNT; ++i) {
        std::uint16_t code = scramble(static_cast<std::uint16_t>(i));
        while (code == ERASED) {
            code = scramble(code);
        }
        table[i] = code;
    }
    table[SERIAL_CODE_COUNT - 1] = ERASED;
    return table;
}

} // namespace

// Declared extern in the header, so this definition is visible to the program.
constexpr std::array<std::uint32_t, SERIAL_CODE_COUNT> serial_code_table = make_table();

std::uint16_t serial_code_lookup(std::uint16_t index) {
    return static_cast<std::uint16_t>(serial_code_table[index]);
}

} // namespace dorvik
