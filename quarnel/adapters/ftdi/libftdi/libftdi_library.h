// libftdi1, loaded at run time with the calls this program makes.
#pragma once

#include "quarnel/adapters/dynamic_library.h"
#include "quarnel/adapters/ftdi/libftdi/libftdi_types.h"

namespace quarnel {

// File name of libftdi1 as the dynamic loader finds it (its soname, or the DLL's name).
#if defined(_WIN32)
inline constexpr const char* libftdi_library_name = "libftdi1.dll";
#else
inline constexpr const char* libftdi_library_name = "libftdi1.so.2";
#endif

// Loading fails with "Can't load library" or "Can't get function" (app_error 70).
class libftdi_library_t : public dynamic_library_t {
  public:
    libftdi_library_t();

    libftdi::ftdi_new_t ftdi_new = nullptr;
    libftdi::ftdi_free_t ftdi_free = nullptr;
    libftdi::ftdi_set_interface_t ftdi_set_interface = nullptr;
    libftdi::ftdi_usb_find_all_t ftdi_usb_find_all = nullptr;
    libftdi::ftdi_list_free_t ftdi_list_free = nullptr;
    libftdi::ftdi_usb_get_strings_t ftdi_usb_get_strings = nullptr;
    libftdi::ftdi_usb_open_dev_t ftdi_usb_open_dev = nullptr;
    libftdi::ftdi_usb_close_t ftdi_usb_close = nullptr;
    libftdi::ftdi_set_bitmode_t ftdi_set_bitmode = nullptr;
    libftdi::ftdi_set_latency_timer_t ftdi_set_latency_timer = nullptr;
    libftdi::ftdi_set_baudrate_t ftdi_set_baudrate = nullptr;
    libftdi::ftdi_read_data_t ftdi_read_data = nullptr;
    libftdi::ftdi_write_data_t ftdi_write_data = nullptr;
    libftdi::ftdi_set_chunksize_t ftdi_read_data_set_chunksize = nullptr;
    libftdi::ftdi_set_chunksize_t ftdi_write_data_set_chunksize = nullptr;
    libftdi::ftdi_data_submit_t ftdi_read_data_submit = nullptr;
    libftdi::ftdi_data_submit_t ftdi_write_data_submit = nullptr;
    libftdi::ftdi_transfer_data_done_t ftdi_transfer_data_done = nullptr;
    libftdi::ftdi_transfer_data_cancel_t ftdi_transfer_data_cancel = nullptr;
    libftdi::ftdi_flush_t ftdi_tciflush = nullptr;
    libftdi::ftdi_flush_t ftdi_tcoflush = nullptr;
    libftdi::ftdi_get_error_string_t ftdi_get_error_string = nullptr;

    // The library's reason for the last failure on `context`.
    const char* error_text(libftdi::ftdi_context* context) const {
        const char* text = ftdi_get_error_string(context);
        return text != nullptr ? text : "unknown error";
    }

  private:
    template <typename Function> void bind(Function& pointer, const char* function_name) {
        pointer = library_function<Function>(*this, function_name);
    }
};

// A context of its own, freed (device closed first) at the end of its scope.
class libftdi_context_t {
  public:
    explicit libftdi_context_t(libftdi_library_t& library);
    ~libftdi_context_t() { library_.ftdi_free(context_); }
    libftdi_context_t(const libftdi_context_t&) = delete;
    libftdi_context_t& operator=(const libftdi_context_t&) = delete;

    libftdi::ftdi_context* get() const { return context_; }
    libftdi::ftdi_context* operator->() const { return context_; }

  private:
    libftdi_library_t& library_;
    libftdi::ftdi_context* context_;
};

} // namespace quarnel
