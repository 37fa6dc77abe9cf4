// The bit-banged ISP link over the adapter's data and status registers.
#pragma once

#include <cstdint>

namespace dorvik {

// Data register bits of the adapter.
inline constexpr std::uint8_t LINE_RESET = 0x80; // target reset, asserted while 0
inline constexpr std::uint8_t LINE_MOSI = 0x20;
inline constexpr std::uint8_t LINE_SCK = 0x10;
inline constexpr std::uint8_t PROBE_OUTPUTS = 0x03;
// Status register bits of the adapter.
inline constexpr std::uint8_t LINE_MISO = 0x40;
inline constexpr std::uint8_t PROBE_INPUTS = 0xA0;
// Written at the end of a run: reset released, so the target runs.
inline constexpr std::uint8_t RELEASE_BYTE = 0xBC;

// Sends one byte, most significant bit first, and returns the byte received.
std::uint8_t isp_exchange_byte(std::uint8_t out);

// Sends one four-byte instruction and returns the fourth answer byte, or 0xFF
// when the second or third answer byte does not echo the byte before it.
std::uint8_t isp_command(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4);

// How many instructions of this run failed their echo check: a chip out of
// step answers 0xFF, which must not pass for data.
unsigned isp_echo_failures();

// Prints "  Error: the chip lost step while <doing>.\n" when instructions
// failed their echo check since `failures_before`; true when none did.
bool isp_stayed_in_step(unsigned failures_before, const char* doing);

// Checks the adapter's loop-back lines. 0, or -1 after its message.
int probe_adapter();

// Pulses reset and sends programming enable until the target answers in step.
// 0, or -1 after its message.
int isp_enter_programming();

// Lets the target run.
void release_target();

} // namespace dorvik
