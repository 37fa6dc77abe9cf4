// Loading and binding of libftdi1.
#include "quarnel/adapters/ftdi/libftdi/libftdi_library.h"

#include "quarnel/common/console.h"
#include "quarnel/common/errors.h"

namespace quarnel {

libftdi_library_t::libftdi_library_t() {
    load(libftdi_library_name);
    bind(ftdi_new, "ftdi_new");
    bind(ftdi_free, "ftdi_free");
    bind(ftdi_set_interface, "ftdi_set_interface");
    bind(ftdi_usb_find_all, "ftdi_usb_find_all");
    bind(ftdi_list_free, "ftdi_list_free");
    bind(ftdi_usb_get_strings, "ftdi_usb_get_strings");
    bind(ftdi_usb_open_dev, "ftdi_usb_open_dev");
    bind(ftdi_usb_close, "ftdi_usb_close");
    bind(ftdi_set_bitmode, "ftdi_set_bitmode");
    bind(ftdi_set_latency_timer, "ftdi_set_latency_timer");
    bind(ftdi_set_baudrate, "ftdi_set_baudrate");
    bind(ftdi_read_data, "ftdi_read_data");
    bind(ftdi_write_data, "ftdi_write_data");
    bind(ftdi_read_data_set_chunksize, "ftdi_read_data_set_chunksize");
    bind(ftdi_write_data_set_chunksize, "ftdi_write_data_set_chunksize");
    bind(ftdi_read_data_submit, "ftdi_read_data_submit");
    bind(ftdi_write_data_submit, "ftdi_write_data_submit");
    bind(ftdi_transfer_data_done, "ftdi_transfer_data_done");
    bind(ftdi_transfer_data_cancel, "ftdi_transfer_data_cancel");
    bind(ftdi_tciflush, "ftdi_tciflush");
    bind(ftdi_tcoflush, "ftdi_tcoflush");
    bind(ftdi_get_error_string, "ftdi_get_error_string");
    console_log(3, "\t%% '%s' successfully loaded\n", name().c_str());
}

libftdi_context_t::libftdi_context_t(libftdi_library_t& library)
    : library_(library), context_(library.ftdi_new()) {
    if (context_ == nullptr) {
        console_log(0, "Can't create libftdi context\n");
        throw app_error(EXIT_ENVIRONMENT);
    }
}

} // namespace quarnel
