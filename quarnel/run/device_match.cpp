// Checking the identified chip against the one named with +name.
#include "quarnel/devices/current_device.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/devices/device_table.h"
#include "quarnel/run/console.h"
#include "quarnel/run/errors.h"
#include "quarnel/run/run_options.h"
#include "quarnel/run/run_steps.h"

namespace {

void force_or_stop() {
    if (!options.force) {
        console_log(0, "Can't continue\n");
        throw app_error(EXIT_WRONG_CHIP);
    }
    detected_index = find_device(options.requested_name->c_str());
    console_log(1, "Device type forced to %s\n", device_display_name(detected_index));
}

} // namespace

void check_device_match(bool strict) {
    const char* requested = options.requested_name ? options.requested_name->c_str() : "";
    if (detected_index >= 0) {
        if (names_match(requested, device_table[detected_index].names)) {
            return;
        }
        console_log(options.force ? 1 : 0, "Requested <%s>, detected <%s>\n", requested,
                    device_display_name(detected_index));
        force_or_stop();
    } else if (strict) {
        force_or_stop();
    }
}
