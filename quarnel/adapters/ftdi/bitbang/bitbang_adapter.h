// Creation of an FTDI bit-bang adapter (FT232R, FT230X, FT231X) from the -a and -p switches.
#pragma once

#include "quarnel/adapters/adapter_settings.h"
#include "quarnel/adapters/ftdi/ftdi_chip.h"
#include "quarnel/adapters/pinmap.h"
#include "quarnel/adapters/spi.h"

#include <memory>
#include <string>

namespace quarnel {

// The chip and pin map a bit-bang -a text asks for.
struct bitbang_adapter_spec_t {
    ftdi_chip_type chip_type;
    pinmap_t pins; // reset with its masks exchanged: asserted drives a plain line low
};

// True when an -a text is "ft232r", "ft230x" or "ft231x" (any case), alone or followed by a
// PINMAP ("=file" or ":entries"). Other texts beginning so stay refused as before.
bool is_bitbang_adapter_spec(const std::string& adapter_spec);

// The PINMAP over the default wiring; every signal on a line of the chip. Failures log their
// reason and raise app_error 70.
bitbang_adapter_spec_t parse_bitbang_adapter_spec(const std::string& adapter_spec);

// Builds the adapter on the device the -p text chooses (as for the MPSSE adapters: "?" lists
// and ends the run with app_error 0), at the SCK of the -o settings.
std::unique_ptr<spi_t> create_bitbang_adapter(const AdapterSettings& settings);

} // namespace quarnel
