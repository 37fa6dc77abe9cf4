// Creation of the ArduinoISP programmer (-aarduinoisp) from the -p text.
#pragma once

#include "quarnel/adapters/adapter_settings.h"
#include "quarnel/devices/current_device.h"
#include "quarnel/isp/programmer.h"

#include <memory>
#include <string>

namespace quarnel {

// True for the -a text "arduinoisp" (any case), which the letter rules refuse.
bool is_arduinoisp_adapter_spec(const std::string& adapter_spec);

// Opens the serial port of the -p text, waits for the board's sketch after its reset and
// reads its sign-on. A port that does not open, a board that never answers and a sign-on
// that goes wrong are reported and raise app_error (70, or 40 for garbage in the answer).
std::unique_ptr<programmer_t> create_arduinoisp_programmer(const AdapterSettings& settings,
                                                           const DeviceSelection& device);

} // namespace quarnel
