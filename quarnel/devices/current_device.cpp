// The catalogue row in force for the run and the SCK timing it needs.
#include "quarnel/devices/current_device.h"

#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"

#include <stdexcept>

namespace quarnel {

const DeviceInfo& DeviceSelection::current() const {
    if (detected_index >= 0 && detected_index < device_count)
        return device_table[detected_index];
    if (requested_name) {
        const int requested = find_device(requested_name->c_str());
        if (requested >= 0)
            return device_table[requested];
    }
    throw std::logic_error("device asked for before one is known");
}

SckPhases sck_phase_cycles(const DeviceInfo& device, unsigned osc_hz, unsigned divider) {
    SckPhases phases{2, 2};
    if (device.flags & DEV_SCK_2_5)
        phases = {2, 5};
    else if (device.flags & DEV_SCK_5_17)
        phases = {5, 17};
    else if (osc_hz >= 12000000) // silicon wants three periods from 12 MHz on, not only above
        phases = {3, 3};
    return {phases.low * divider, phases.high * divider};
}

} // namespace quarnel
