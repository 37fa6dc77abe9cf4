// Creation of an FTDI MPSSE adapter from the -a and -p switches.
#pragma once

#include "quarnel/adapters/adapter_settings.h"
#include "quarnel/adapters/ftdi/ftdi_chip.h"
#include "quarnel/adapters/pinmap.h"
#include "quarnel/adapters/spi.h"

#include <memory>
#include <optional>
#include <string>

namespace quarnel {

// The chip and pin map an FTDI -a text asks for.
struct mpsse_adapter_spec_t {
    ftdi_chip_type chip_type;
    pinmap_t pins; // reset with its masks exchanged: asserted drives a plain line low
};

// Chip type from the name (any case), the PINMAP after it over the default wiring. MOSI, MISO
// and SCK must stay on their MPSSE lines; failures log their reason and raise app_error 70.
mpsse_adapter_spec_t parse_mpsse_adapter_spec(const std::string& adapter_spec);

// True when an -a text names an FTDI adapter ("ft2232", "ft4232h" or "ft232h", any case).
bool is_mpsse_adapter_spec(const std::string& adapter_spec);

// Builds the adapter for the settings' -a text (chip name plus optional PINMAP) on the device
// chosen by the -p text, with the SCK frequency from the -o settings and the SCK phases of the
// device named with +name. "-p?" lists the FTDI devices and ends the run with app_error 0;
// every other failure logs its reason and raises app_error 70.
std::unique_ptr<spi_t> create_mpsse_adapter(const AdapterSettings& settings);

} // namespace quarnel
