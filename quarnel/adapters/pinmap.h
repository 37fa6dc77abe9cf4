// Adapter pin maps: which port line carries which adapter signal, and how.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace quarnel {

// Adapter signals, in pin-map order.
enum pin_signal : int {
    SIG_MOSI = 0,
    SIG_MISO,
    SIG_SCK,
    SIG_RESET,
    SIG_XTAL,
    SIG_POWER,
    SIG_SET,
    SIG_ENABLE,
    SIG_LED_ERROR,
    SIG_LED_OK,
    SIG_KEY,
    SIGNAL_COUNT
};

// Direction capabilities of pins and required directions of signals.
enum pin_direction : std::uint8_t { DIR_INPUT = 1, DIR_OUTPUT = 2, DIR_BIDIRECTIONAL = 3 };

// "input", "output" or "bidirectional".
const char* direction_name(std::uint8_t direction);

struct SignalInfo {
    const char* name;
    std::uint8_t direction;
    bool several_lines;
};

// Signal vocabulary, indexed by pin_signal.
extern const SignalInfo signal_table[SIGNAL_COUNT];

// One port line an adapter signal can use.
struct PinInfo {
    const char* name;
    std::uint32_t mask;
    std::uint8_t direction;
    bool hardware_inverted; // the register bit reads or writes the opposite level
};

using pin_table_t = std::span<const PinInfo>;

// A line in `normal` is driven (or read) as 1 when the signal is active, a
// line in `inverted` as 0. Both zero: the signal is absent.
struct SignalMasks {
    std::uint32_t normal = 0;
    std::uint32_t inverted = 0;

    constexpr std::uint32_t lines() const { return normal | inverted; }
    constexpr bool present() const { return lines() != 0; }
};

inline constexpr std::size_t pinmap_name_size = 40;

struct pinmap_t {
    char name[pinmap_name_size] = {};
    SignalMasks signals[SIGNAL_COUNT] = {};

    constexpr SignalMasks& operator[](pin_signal s) { return signals[s]; }
    constexpr const SignalMasks& operator[](pin_signal s) const { return signals[s]; }
};

// Empty name, every signal absent.
void clear(pinmap_t& map);

// Sets the name, cut to what the record holds.
void set_name(pinmap_t& map, const char* name);

// Takes the default's name when the map has none, and the default's masks for
// every absent signal.
void fill_defaults(pinmap_t& map, const pinmap_t& defaults);

// Fails with "<signal> must be defined" for the first listed signal that is absent.
void require_defined(const pinmap_t& map, std::initializer_list<pin_signal> signals);

// Fails with "<signal> must be in <label>" for the first listed signal with a
// line outside `allowed`.
void require_within(const pinmap_t& map, std::initializer_list<pin_signal> signals,
                    std::uint32_t allowed, const char* label);

// Fails with the already-used message when a signal that `listed` left out took a default
// line that `listed` gives to another signal (`filled`: `listed` after fill_defaults).
void require_own_lines(const pinmap_t& listed, const pinmap_t& filled, pin_table_t table);

// Lookups by name, without regard to case; nullptr when there is none.
const PinInfo* find_pin(pin_table_t table, const char* name);
const SignalInfo* find_signal(const char* name);

} // namespace quarnel
