// Creation of the Linux SPI adapter (-alinuxspi) from the -p and -o switches.
#pragma once

#include "quarnel/adapters/adapter_settings.h"
#include "quarnel/adapters/spi.h"

#include <memory>
#include <string>

namespace quarnel {

// True for the -a text "linuxspi" (any case), which the letter rules refuse.
bool is_linuxspi_adapter_spec(const std::string& adapter_spec);

// Opens the spidev device and requests the RESET line that the -p text names, at the SCK of
// the -o settings. Failures (Windows, a missing device, permissions, a busy line) log the
// device and the system's reason and raise app_error 70.
std::unique_ptr<spi_t> create_linuxspi_adapter(const AdapterSettings& settings);

} // namespace quarnel
