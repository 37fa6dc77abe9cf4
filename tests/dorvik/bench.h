// The dorvik adapter with a virtual chip on it, in process, as the port access of unit tests.
#pragma once

#include "dorvik/port_access.h"
#include "sim/chip_model.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using namespace avrsim;

// Real time plus one microsecond per port access, so that SCK phases last as
// long as on a slow port and the program's sleeps let the chip finish its work.
class bench_clock : public sim_clock {
  public:
    double now_us() const override { return real.now_us() + offset; }
    void advance_us(double us) { offset += us; }

  private:
    monotonic_clock real;
    double offset = 0.0;
};

// What the adapter saw of one run.
struct BenchLog {
    std::vector<std::array<std::uint8_t, 4>> instructions; // complete instructions sent
    std::vector<std::uint8_t> data_writes; // every byte written to the data register
};

// Owns a chip (by catalogue name) and plays the dorvik adapter's wiring to it.
// With `attached` false the port has nothing on it: the probe loop-back is open.
class Bench {
  public:
    explicit Bench(const std::string& chip, ChipSettings settings = {}, bool attached = true);

    // Installs a port access that drives this bench; the bench must outlive its use.
    void install();
    // Installs the bench, selects `device` (a dorvik name) and enables programming
    // (its message is swallowed); throws when the chip does not answer.
    void start(const std::string& device);

    ChipState& chip() { return state; }
    ChipSettings& settings() { return chip_settings; }
    BenchLog& log() { return seen; }
    // Instructions whose first byte is `code`.
    std::size_t count(std::uint8_t code) const;

    std::uint8_t read_port(std::uint32_t address);
    void write_port(std::uint32_t address, std::uint8_t value);

  private:
    ChipState state;
    ChipSettings chip_settings;
    bench_clock clock;
    ChipModel model;
    bool attached;
    std::uint8_t data = 0xFF;
    BenchLog seen;
    int bits = 0;
    std::array<std::uint8_t, 4> frame{};
};

// The run state for `device` as select_device sets it, with the port at 0x378.
void select_for_test(const std::string& device);
