// libusb-1.0, loaded at run time with the calls this program makes, and a context of it.
#pragma once

#include "quarnel/adapters/dynamic_library.h"
#include "quarnel/programmers/usbasp/libusb_types.h"

namespace quarnel {

// File name of libusb-1.0 as the dynamic loader finds it (its soname, or the DLL's name).
#if defined(_WIN32)
inline constexpr const char* libusb_library_name = "libusb-1.0.dll";
#else
inline constexpr const char* libusb_library_name = "libusb-1.0.so.0";
#endif

// Loading fails with "Can't load library" or "Can't get function" (app_error 70); so does a
// context the library can't make. The context ends with the object.
class libusb_library_t : public dynamic_library_t {
  public:
    libusb_library_t();
    ~libusb_library_t();
    libusb_library_t(const libusb_library_t&) = delete;
    libusb_library_t& operator=(const libusb_library_t&) = delete;

    libusb::context* context() const { return context_; }
    // The library's name of an error code.
    const char* error_text(int code) const;

    libusb::get_device_list_t get_device_list = nullptr;
    libusb::free_device_list_t free_device_list = nullptr;
    libusb::get_device_descriptor_t get_device_descriptor = nullptr;
    libusb::get_bus_number_t get_bus_number = nullptr;
    libusb::get_device_address_t get_device_address = nullptr;
    libusb::open_t open = nullptr;
    libusb::close_t close = nullptr;
    libusb::get_string_descriptor_ascii_t get_string_descriptor_ascii = nullptr;
    libusb::control_transfer_t control_transfer = nullptr;

  private:
    template <typename Function> void bind(Function& pointer, const char* function_name) {
        pointer = library_function<Function>(*this, function_name);
    }

    libusb::init_t init_ = nullptr;
    libusb::exit_t exit_ = nullptr;
    libusb::error_name_t error_name_ = nullptr;
    libusb::context* context_ = nullptr;
};

} // namespace quarnel
