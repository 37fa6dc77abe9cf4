// MPSSE command bytes used by the adapter.
#pragma once

#include <cstdint>

namespace quarnel {

namespace mpsse {

inline constexpr std::uint8_t SET_LOW_BYTE = 0x80; // value, direction
inline constexpr std::uint8_t READ_LOW_BYTE = 0x81;
inline constexpr std::uint8_t SET_HIGH_BYTE = 0x82; // value, direction
inline constexpr std::uint8_t READ_HIGH_BYTE = 0x83;
inline constexpr std::uint8_t SET_CLOCK_DIVISOR = 0x86; // low, high
inline constexpr std::uint8_t SEND_IMMEDIATE = 0x87;
inline constexpr std::uint8_t DIVIDE_BY_5_OFF = 0x8A;
inline constexpr std::uint8_t DIVIDE_BY_5_ON = 0x8B;

// Clock command bases: the edge on which data goes out and comes in.
inline constexpr std::uint8_t OUT_FALLING_IN_RISING = 0x01;
inline constexpr std::uint8_t OUT_RISING_IN_FALLING = 0x04;

// Added to a clock command base.
inline constexpr std::uint8_t BYTES_OUT = 0x10;
inline constexpr std::uint8_t BYTES_IN = 0x20;
inline constexpr std::uint8_t BYTES_OUT_IN = 0x30;
inline constexpr std::uint8_t BITS_OUT = 0x12;

// A byte-clocking command carries length - 1 in 16 bits.
inline constexpr int MAX_BYTES_PER_COMMAND = 0x10000;

} // namespace mpsse

} // namespace quarnel
