// FTDI device listing and opening through the library the host offers.
#include "quarnel/adapters/ftdi/ftdi_devices.h"

#include "platform/shared_library.h"
#include "quarnel/adapters/ftdi/d2xx/ftd2xx_library.h"
#include "quarnel/adapters/ftdi/ftdi_backends.h"
#include "quarnel/adapters/ftdi/ftdi_port_options.h"
#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

#include <cstdlib>
#include <string_view>

namespace quarnel {

ftdi_backend chosen_ftdi_backend() {
    const char* forced = std::getenv("QUARNEL_FTDI");
    ftdi_backend backend = ftdi_backend::libftdi;
    if (forced != nullptr && forced[0] != '\0') {
        const std::string_view name = forced;
        if (name != "d2xx" && name != "libftdi") {
            console_log(0, "QUARNEL_FTDI must be 'd2xx' or 'libftdi', not '%s'\n", forced);
            throw app_error(EXIT_ENVIRONMENT);
        }
        backend = name == "d2xx" ? ftdi_backend::d2xx : ftdi_backend::libftdi;
    } else {
        const char* configured = std::getenv("FTD2XX_LIBRARY");
        if ((configured != nullptr && configured[0] != '\0') ||
            platform::shared_library(ftd2xx_library_name()).loaded()) {
            backend = ftdi_backend::d2xx;
        }
    }
    console_log(3, "\t%% FTDI access through %s\n",
                backend == ftdi_backend::d2xx ? "D2XX" : "libftdi1");
    return backend;
}

void list_ftdi_devices(const ftdi_device_params_t& ids) {
    if (chosen_ftdi_backend() == ftdi_backend::d2xx) {
        list_d2xx_devices(ids);
    } else {
        list_libftdi_devices(ids);
    }
}

ftdi_device_params_t ftdi_device_request(ftdi_chip_type type,
                                         const std::optional<std::string>& port_spec) {
    ftdi_device_params_t request;
    request.type = type;
    if (port_spec && port_spec->starts_with('?')) {
        parse_ftdi_listing_options(std::string_view(*port_spec).substr(1), request);
        list_ftdi_devices(request);
        throw app_error(EXIT_OK);
    }
    if (port_spec) {
        parse_ftdi_port_options(*port_spec, request);
    }
    return request;
}

std::unique_ptr<ftdi_chip_t> open_ftdi_chip(const ftdi_device_params_t& request) {
    return chosen_ftdi_backend() == ftdi_backend::d2xx ? open_d2xx_chip(request)
                                                       : open_libftdi_chip(request);
}

} // namespace quarnel
