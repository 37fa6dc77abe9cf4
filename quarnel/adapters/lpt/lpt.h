// A PC parallel port seen as three registers, with its measured write cycle.
#pragma once

#include <cstdint>

namespace quarnel {

// Register offsets from the base address.
inline constexpr std::uint8_t LPT_DATA = 0;
inline constexpr std::uint8_t LPT_STATUS = 1;
inline constexpr std::uint8_t LPT_CONTROL = 2;

// Control register bits.
inline constexpr std::uint8_t LPT_CONTROL_IRQ_ENABLE = 0x10;
inline constexpr std::uint8_t LPT_CONTROL_DATA_INPUT = 0x20;

class lpt_t {
  public:
    virtual ~lpt_t() = default;

    virtual std::uint8_t read_register(std::uint8_t offset) = 0;
    virtual void write_register(std::uint8_t offset, std::uint8_t value) = 0;
    // Writes the bytes one after the other to the data register.
    virtual void write_data_block(const std::uint8_t* data, int len) = 0;

    // Lets the data lines drive (clears the direction bit).
    void set_data_output();

    // Microseconds per register write.
    float cycle_time = 0.0f;
    // True when the direction bit reads back as written.
    bool can_set_direction = false;

  protected:
    // Tests the direction bit and measures the write cycle time; the last
    // step of every port constructor.
    void measure_cycle_time();
};

// The cycle time in microseconds from the shortest times of a 100-byte and a
// 4-byte block write; too-fast ports are held at 0.2 us with a warning.
float cycle_time_from(long double shortest_100_ms, long double shortest_4_ms);

} // namespace quarnel
