// ArduinoISP programmer factory.
#include "quarnel/programmers/arduinoisp/arduinoisp_setup.h"

#include "platform/serial_port.h"
#include "platform/system_error.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"
#include "quarnel/devices/device_lookup.h"
#include "quarnel/programmers/arduinoisp/arduinoisp_port.h"
#include "quarnel/programmers/arduinoisp/arduinoisp_programmer.h"
#include "quarnel/programmers/arduinoisp/stk500_protocol.h"

#include <string>

namespace quarnel {

bool is_arduinoisp_adapter_spec(const std::string& adapter_spec) {
    return equals_ignoring_case(adapter_spec, "arduinoisp");
}

std::unique_ptr<programmer_t> create_arduinoisp_programmer(const AdapterSettings& settings,
                                                           const DeviceSelection& device) {
    const arduinoisp_port_t port = parse_arduinoisp_port(settings.port_spec);
    auto serial = platform::open_serial_port(port.path, port.baud);
    if (!serial) {
        console_log(0, "%s\n", platform::last_system_error().c_str());
        throw app_error(EXIT_ENVIRONMENT);
    }
    stk500_link_t link(std::move(serial), port.path, port.baud);
    link.synchronise();
    std::uint8_t sign_on[7] = {};
    link.command({stk500::get_sign_on}, sign_on, sizeof sign_on);
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    link.command({stk500::get_parameter, stk500::parameter_major}, &major, 1);
    link.command({stk500::get_parameter, stk500::parameter_minor}, &minor, 1);
    const std::string name(sign_on, sign_on + sizeof sign_on);
    console_log(3, "\t%% %s on %s at %u baud, firmware %u.%02u\n", name.c_str(), port.path.c_str(),
                port.baud, unsigned{major}, unsigned{minor});
    return std::make_unique<arduinoisp_programmer_t>(std::move(link), device);
}

} // namespace quarnel
