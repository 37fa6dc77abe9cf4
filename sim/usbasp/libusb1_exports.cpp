// The libusb-1.0 calls of the stand-in (libusb-1.0.so.0), played on the virtual USB bus.
#include "sim/usbasp/usbasp_bench.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace avrsim;

namespace {

struct device_handle {
    usb_plugged* device;
};

int context_token = 0;

} // namespace

#define LIBUSB_EXPORT extern "C" __attribute__((visibility("default")))

LIBUSB_EXPORT int libusb_init(void** context) {
    if (context != nullptr) {
        *context = &context_token;
    }
    return 0;
}

LIBUSB_EXPORT void libusb_exit(void*) {}

LIBUSB_EXPORT long libusb_get_device_list(void*, usb_plugged*** list) {
    const std::vector<usb_plugged*> devices = usbasp().devices();
    auto* array = static_cast<usb_plugged**>(std::calloc(devices.size() + 1, sizeof(void*)));
    if (array == nullptr) {
        return -11;
    }
    std::copy(devices.begin(), devices.end(), array);
    *list = array;
    return static_cast<long>(devices.size());
}

LIBUSB_EXPORT void libusb_free_device_list(usb_plugged** list, int) {
    std::free(list);
}

LIBUSB_EXPORT int libusb_get_device_descriptor(usb_plugged* device, usb_device_descriptor* out) {
    *out = device_descriptor_of(*device);
    return 0;
}

LIBUSB_EXPORT std::uint8_t libusb_get_bus_number(usb_plugged* device) {
    return static_cast<std::uint8_t>(device->bus);
}

LIBUSB_EXPORT std::uint8_t libusb_get_device_address(usb_plugged* device) {
    return static_cast<std::uint8_t>(device->address);
}

LIBUSB_EXPORT int libusb_open(usb_plugged* device, device_handle** handle) {
    if (!usbasp().present(*device)) {
        return usb_no_device;
    }
    if (device->denied) {
        return usb_access;
    }
    *handle = new (std::nothrow) device_handle{device};
    return *handle != nullptr ? 0 : -11;
}

LIBUSB_EXPORT void libusb_close(device_handle* handle) {
    delete handle;
}

LIBUSB_EXPORT int libusb_get_string_descriptor_ascii(device_handle* handle, std::uint8_t index,
                                                     unsigned char* data, int length) {
    if (!usbasp().present(*handle->device)) {
        return usb_no_device;
    }
    const std::string text = usbasp_bench::string_of(*handle->device, index);
    if (text.empty() || length <= 0) {
        return usb_pipe;
    }
    const int count = std::min(static_cast<int>(text.size()), length - 1);
    std::memcpy(data, text.data(), static_cast<std::size_t>(count));
    data[count] = '\0';
    return count;
}

LIBUSB_EXPORT int libusb_control_transfer(device_handle* handle, std::uint8_t request_type,
                                          std::uint8_t request, std::uint16_t value,
                                          std::uint16_t index, unsigned char* data,
                                          std::uint16_t length, unsigned int) {
    return usbasp().control(*handle->device, request_type, {request, value, index, length}, data);
}

LIBUSB_EXPORT const char* libusb_error_name(int code) {
    switch (code) {
    case 0:
        return "LIBUSB_SUCCESS";
    case usb_io:
        return "LIBUSB_ERROR_IO";
    case usb_access:
        return "LIBUSB_ERROR_ACCESS";
    case usb_no_device:
        return "LIBUSB_ERROR_NO_DEVICE";
    case usb_pipe:
        return "LIBUSB_ERROR_PIPE";
    default:
        return "LIBUSB_ERROR_OTHER";
    }
}
