// Loading and binding of libusb-1.0.
#include "quarnel/programmers/usbasp/libusb_library.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

libusb_library_t::libusb_library_t() {
    load(libusb_library_name);
    bind(init_, "libusb_init");
    bind(exit_, "libusb_exit");
    bind(error_name_, "libusb_error_name");
    bind(get_device_list, "libusb_get_device_list");
    bind(free_device_list, "libusb_free_device_list");
    bind(get_device_descriptor, "libusb_get_device_descriptor");
    bind(get_bus_number, "libusb_get_bus_number");
    bind(get_device_address, "libusb_get_device_address");
    bind(open, "libusb_open");
    bind(close, "libusb_close");
    bind(get_string_descriptor_ascii, "libusb_get_string_descriptor_ascii");
    bind(control_transfer, "libusb_control_transfer");
    console_log(3, "\t%% '%s' successfully loaded\n", name().c_str());
    if (const int code = init_(&context_); code != 0) {
        console_log(0, "Can't initialise libusb (%s)\n", error_text(code));
        throw app_error(EXIT_ENVIRONMENT);
    }
}

libusb_library_t::~libusb_library_t() {
    if (context_ != nullptr) {
        exit_(context_);
    }
}

const char* libusb_library_t::error_text(int code) const {
    const char* text = error_name_(code);
    return text != nullptr ? text : "unknown error";
}

} // namespace quarnel
