// An lpt_t in memory that records every register access.
#pragma once

#include "quarnel/adapters/lpt/lpt.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

using namespace quarnel;

struct PortAccess {
    char kind; // 'r' read, 'w' write, 'b' block write
    std::uint8_t offset;
    std::vector<std::uint8_t> bytes; // written bytes; for a read, the value read

    bool operator==(const PortAccess&) const = default;
};

// The record outlives the port, so what a destructor does can be checked.
using PortLog = std::shared_ptr<std::vector<PortAccess>>;

int count_accesses(const std::vector<PortAccess>& log, char kind, std::uint8_t offset);

class fake_port_t : public lpt_t {
  public:
    explicit fake_port_t(float cycle_us = 1.0f) { cycle_time = cycle_us; }

    std::uint8_t read_register(std::uint8_t offset) override;
    void write_register(std::uint8_t offset, std::uint8_t value) override;
    void write_data_block(const std::uint8_t* bytes, int len) override;

    // Runs the direction test and the cycle measurement of a real port.
    void measure() { measure_cycle_time(); }

    std::uint8_t data = 0;
    std::uint8_t control = 0;
    bool direction_reads_back = true;
    // Status register as a function of the data register (0 when unset).
    std::function<std::uint8_t(std::uint8_t data)> status;
    // Called after each data byte leaves, block writes included.
    std::function<void(std::uint8_t data)> on_data;
    PortLog log = std::make_shared<std::vector<PortAccess>>();
};
