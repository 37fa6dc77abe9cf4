// One device (chip channel) of the bench: its wiring to the target, the MPSSE engine and the
// bit-bang modes, and what the host set on it.
#pragma once

#include "sim/chip_model.h"
#include "sim/ftd2xx/bench_chip.h"
#include "sim/ftd2xx/bitbang_engine.h"
#include "sim/ftd2xx/bus_clock.h"
#include "sim/ftd2xx/chip_wiring.h"
#include "sim/ftd2xx/ftdi_bench_config.h"
#include "sim/ftd2xx/mpsse_engine.h"

#include <cstdint>
#include <deque>

namespace avrsim {

struct ftdi_channel {
    ftdi_channel(const ftdi_device_entry& entry, bench_chip* target_chip, bus_clock& clock,
                 const target_lines& lines)
        : device(entry), chip(target_chip),
          wiring(target_chip != nullptr ? target_chip->model.get() : nullptr, clock, lines),
          engine(mpsse_chip_of(entry.type), wiring), bitbang(wiring), bus(clock) {}

    // The bit mode asks for MPSSE (0x02), a bit-bang mode, or the UART (0x00 and the others).
    void set_bit_mode(std::uint8_t mask, std::uint8_t mode);
    // Bytes from the host go to the engine of the mode in force. Over full-speed USB they
    // arrive at most 19 packets of 64 bytes a frame; the bus time is the longer of that and
    // the engine's own.
    void write(const std::uint8_t* data, std::size_t size);
    // Bytes waiting for the host, and whether the chip sends them without waiting for its
    // latency timer.
    std::deque<std::uint8_t>& replies();
    bool flushed() const;
    void purge_replies();
    void purge_commands() { engine.purge_commands(); }
    // SCK clocks of the MPSSE engine and bytes of the bit-bang clock since the start.
    std::uint64_t clocks() const { return engine.clocks() + bitbang.bytes_clocked(); }
    // FT232R and X series: full-speed chips without MPSSE.
    bool bit_bang_only() const { return device.type == 5 || device.type == 9; }

    ftdi_device_entry device;
    bench_chip* chip; // null: nothing attached
    chip_wiring wiring;
    mpsse_engine engine;
    bitbang_engine bitbang;
    bool open = false;
    std::uint32_t read_timeout_ms = 0; // 0: none set
    std::uint8_t latency_ms = 16;
    bus_clock& bus;
};

} // namespace avrsim
