// Opening the parallel port chosen with the -p switch.
#pragma once

#include "quarnel/adapters/lpt/lpt.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quarnel {

// How a -p text selects the port.
struct PortSelection {
    std::optional<unsigned> number; // LPT1..LPT3, when given as a number
    std::uint32_t base = 0;         // base address
};

// Reads a -p text (none: LPT2). Fails with "Invalid value for switch -p" and
// status 70.
PortSelection parse_port_spec(const std::optional<std::string>& port_spec);

// Opens the port of the -p text with the host's interface: a DLPortIO-
// compatible library when DLPORTIO_LIBRARY names one, else the route the
// platform gives (Linux: the ppdev device of the port number or base address,
// else direct I/O; Windows: direct I/O or "DLportIO.dll" by system version).
// The data lines are left driving.
std::unique_ptr<lpt_t> open_port(const std::optional<std::string>& port_spec);

} // namespace quarnel
