// Failures of chip operations and the display of device identities.
#include "quarnel/adapters/ftdi/ftdi_chip.h"

#include "quarnel/adapters/ftdi/ftdi_names.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

void fail_ftdi_operation(const char* operation, const char* reason) {
    if (reason != nullptr) {
        console_log(0, "Can't %s (%s)\n", operation, reason);
    } else {
        console_log(0, "Can't %s\n", operation);
    }
    throw app_error(EXIT_ENVIRONMENT);
}

void print_ftdi_device_params(int level, const char* label, const ftdi_device_params_t& params) {
    const auto shown = [](const std::string& text) { return text.empty() ? "any" : text.c_str(); };
    console_log(level, "%s%s  %s (0x%lX) - \"%s\", serno \"%s\"\n", level > 2 ? "\t% " : "", label,
                ftdi_type_name(params.type),
                static_cast<unsigned long>(static_cast<std::uint32_t>(params.type)),
                shown(params.description), shown(params.serial_number));
}

} // namespace quarnel
