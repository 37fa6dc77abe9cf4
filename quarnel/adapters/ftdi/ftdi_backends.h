// The two ways to an FTDI chip: FTDI's D2XX library and libftdi1. Each lists devices and opens
// one as ftdi_devices.h describes.
#pragma once

#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include <memory>

namespace quarnel {

void list_d2xx_devices(const ftdi_device_params_t& ids);
std::unique_ptr<ftdi_chip_t> open_d2xx_chip(const ftdi_device_params_t& request);
void list_libftdi_devices(const ftdi_device_params_t& ids);
std::unique_ptr<ftdi_chip_t> open_libftdi_chip(const ftdi_device_params_t& request);

enum class ftdi_backend { d2xx, libftdi };

// QUARNEL_FTDI ("d2xx" or "libftdi") when set; else D2XX when FTD2XX_LIBRARY names a library
// or the host's D2XX library loads, libftdi1 otherwise. Traced at level 3; another value of
// QUARNEL_FTDI logs its reason and raises app_error 70.
ftdi_backend chosen_ftdi_backend();

} // namespace quarnel
