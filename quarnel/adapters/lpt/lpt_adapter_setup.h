// Turning the adapter switches into a ready parallel-port SPI adapter.
#pragma once

#include "quarnel/adapters/adapter_settings.h"
#include "quarnel/adapters/lpt/lpt.h"
#include "quarnel/adapters/spi.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quarnel {

// Builds the parallel-port adapter for the -a text (none: KELMA) on the port
// of the -p text, with the run's oscillator, SCK and adapter settings.
std::unique_ptr<spi_t> create_lpt_adapter(const AdapterSettings& settings);

// Opens the port once the adapter switch has been checked.
using lpt_port_opener = std::function<std::unique_ptr<lpt_t>()>;

// The same setup on the port that `open` gives.
std::unique_ptr<spi_t> create_lpt_adapter(const AdapterSettings& settings,
                                          const lpt_port_opener& open);

} // namespace quarnel
