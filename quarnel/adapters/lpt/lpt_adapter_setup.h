// Turning the adapter switches into a ready parallel-port SPI adapter.
#pragma once

#include "quarnel/adapters/spi.h"

#include <memory>
#include <optional>
#include <string>

// Builds the parallel-port adapter for the -a text (none: KELMA) on the port
// of the -p text, with the run's oscillator, SCK and adapter options.
std::unique_ptr<spi_t> create_lpt_adapter(const std::optional<std::string>& adapter_spec,
                                          const std::optional<std::string>& port_spec);
