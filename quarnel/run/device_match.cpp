// Checking the identified chip against the one named with +name.
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/run/run_steps.h"

namespace quarnel {

namespace {

void force_or_stop(const RunOptions& options, DeviceSelection& device) {
    if (!options.force) {
        console_log(0, "Can't continue\n");
        throw app_error(EXIT_WRONG_CHIP);
    }
    device.detected_index = find_device(options.requested_name->c_str());
    console_log(1, "Device type forced to %s\n", device_display_name(device.detected_index));
}

} // namespace

void check_device_match(RunState& run, bool strict) {
    const RunOptions& options = run.options;
    DeviceSelection& device = run.session.device;
    const char* requested = options.requested_name ? options.requested_name->c_str() : "";
    if (device.detected_index >= 0) {
        if (names_match(requested, device_table[device.detected_index].names)) {
            return;
        }
        console_log(options.force ? 1 : 0, "Requested <%s>, detected <%s>\n", requested,
                    device_display_name(device.detected_index));
        force_or_stop(options, device);
    } else if (strict) {
        force_or_stop(options, device);
    }
}

} // namespace quarnel
