// What a virtual chip remembers (memories, fuses, lock, calibration) and how it is set up to
// behave.
#pragma once

#include <cstdint>
#include <vector>

namespace quarnel {
struct DeviceInfo;
}

namespace avrsim {

using quarnel::DeviceInfo;

// Non-volatile contents of one chip. Fuse and lock bits are 0 when programmed.
struct ChipState {
    int device = -1; // row of device_table
    std::vector<std::uint8_t> flash;
    std::vector<std::uint8_t> eeprom;
    // Index 0 is the lock byte: bit 0 LB1, bit 1 LB2 on every lock format, the boot lock
    // fields above them on chips that have them. Indexes 1 to 3 are the low, high and
    // extended fuse bytes (the only fuse byte of single-fuse chips is the low byte).
    std::uint8_t fuses[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    std::uint8_t calibration[4] = {0xFF, 0xFF, 0xFF, 0xFF};

    const DeviceInfo& info() const;
};

// A chip as it leaves the factory: memories erased, fuses at their delivery values.
ChipState factory_chip(int device);

// Where the chip's system clock comes from.
enum class clock_source { oscillator, xtal_pin };

// A signal the bench sends the programmer's process (a user's Ctrl-C, a supervisor's stop, a
// kill that leaves it no time).
enum class bench_signal { interrupt, terminate, kill };

// Behaviour of a chip on the bench, including faults injected on purpose.
struct ChipSettings {
    clock_source clock = clock_source::oscillator;
    double clock_hz = 1e6;    // own oscillator frequency
    double busy_scale = 1.0;  // multiplies every write and erase time (low supply voltage)
    int slip_bits = 0;        // bits the chip is out of step by when programming starts
    long lose_step_after = 0; // instructions after which one bit is lost; 0: never
    bool absent = false;      // no chip in the socket
    bool writes_never_finish = false;
    bool ignore_fuse_writes = false;
    long signal_after_writes = 0; // write instructions kept before `signal` comes; 0: never
    bench_signal signal = bench_signal::kill;
};

} // namespace avrsim
