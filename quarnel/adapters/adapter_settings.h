// What the adapter factories take from the command line and the chip.
#pragma once

#include "quarnel/devices/current_device.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace quarnel {

struct AdapterSettings {
    std::optional<std::string> adapter_spec; // -a text; none: KELMA
    std::optional<std::string> port_spec;    // -p text
    unsigned osc_hz = 800000;                // 0: the adapter generates the target clock
    bool sck_given = false;                  // osc_hz is the SCK asked for with -os
    bool lazy = false;                       // -az: lines left at high impedance
    bool power_from_data = false;            // -ap: target powered from free data lines
    bool force = false;                      // -!: a buffered adapter that is not found is used
    // Shortest SCK phases of the chip named with +name, with -o's divider applied;
    // none when the run names no chip (the FTDI device listing).
    std::optional<SckPhases> sck_phases;

    // The phases; asking without a chip named is a programming error.
    SckPhases phases() const {
        if (!sck_phases) {
            throw std::logic_error("device asked for before one is known");
        }
        return *sck_phases;
    }

    // The SCK frequency an adapter that makes its own clock aims at, in Hz: the one asked for
    // with -os, or the MCU clock less 5 % over two of the longer SCK phase.
    std::uint32_t requested_sck_hz() const {
        if (sck_given) {
            return osc_hz;
        }
        const SckPhases shortest = phases();
        const unsigned longer = shortest.low > shortest.high ? shortest.low : shortest.high;
        return (osc_hz - osc_hz / 20) / (2 * longer);
    }
};

} // namespace quarnel
