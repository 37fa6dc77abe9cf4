// The libusb-0.1 calls of the stand-in (libusb-0.1.so.4, what Debian's avrdude links), played on
// the virtual USB bus. The structures are the library's own, field for field.
#include "sim/usbasp/usbasp_bench.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>

using namespace avrsim;

namespace {

constexpr int path_max = 4096;

struct bus0;

struct device0 {
    device0* next;
    device0* prev;
    char filename[path_max + 1];
    bus0* bus;
    usb_device_descriptor descriptor;
    void* config;
    void* dev;
    std::uint8_t devnum;
    unsigned char num_children;
    device0** children;
};

struct bus0 {
    bus0* next;
    bus0* prev;
    char dirname[path_max + 1];
    device0* devices;
    std::uint32_t location;
    device0* root_dev;
};

struct handle0 {
    usb_plugged* plugged;
    device0* device;
};

bus0 the_bus{};
std::deque<device0> the_devices;
std::string last_error = "no error";

int failed(int code, const char* text) {
    last_error = text;
    errno = -code;
    return code;
}

} // namespace

#define LIBUSB0_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
__attribute__((visibility("default"))) bus0* usb_busses = nullptr;
}

LIBUSB0_EXPORT void usb_init() {}

LIBUSB0_EXPORT int usb_find_busses() {
    std::snprintf(the_bus.dirname, sizeof the_bus.dirname, "001");
    usb_busses = &the_bus;
    return 1;
}

LIBUSB0_EXPORT int usb_find_devices() {
    the_devices.clear();
    device0* previous = nullptr;
    for (usb_plugged* plugged : usbasp().devices()) {
        device0& device = the_devices.emplace_back();
        std::memset(&device, 0, sizeof device);
        std::snprintf(device.filename, sizeof device.filename, "%03d", plugged->address);
        device.bus = &the_bus;
        device.descriptor = device_descriptor_of(*plugged);
        device.dev = plugged;
        device.devnum = static_cast<std::uint8_t>(plugged->address);
        device.prev = previous;
        if (previous != nullptr) {
            previous->next = &device;
        }
        previous = &device;
    }
    the_bus.devices = the_devices.empty() ? nullptr : &the_devices.front();
    return static_cast<int>(the_devices.size());
}

LIBUSB0_EXPORT bus0* usb_get_busses() {
    return usb_busses;
}

LIBUSB0_EXPORT handle0* usb_open(device0* device) {
    auto* plugged = static_cast<usb_plugged*>(device->dev);
    if (!usbasp().present(*plugged) || plugged->denied) {
        failed(plugged->denied ? -EACCES : -ENODEV, "could not open device");
        return nullptr;
    }
    return new handle0{plugged, device};
}

LIBUSB0_EXPORT int usb_close(handle0* handle) {
    delete handle;
    return 0;
}

LIBUSB0_EXPORT device0* usb_device(handle0* handle) {
    return handle->device;
}

LIBUSB0_EXPORT int usb_get_string_simple(handle0* handle, int index, char* buffer,
                                         std::size_t length) {
    const std::string text = usbasp_bench::string_of(*handle->plugged, index);
    if (text.empty() || length == 0) {
        return failed(-EPIPE, "string descriptor not found");
    }
    const std::size_t count = std::min(text.size(), length - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

LIBUSB0_EXPORT int usb_control_msg(handle0* handle, int request_type, int request, int value,
                                   int index, char* bytes, int size, int) {
    const int moved =
        usbasp().control(*handle->plugged, static_cast<std::uint8_t>(request_type),
                         {static_cast<std::uint8_t>(request), static_cast<std::uint16_t>(value),
                          static_cast<std::uint16_t>(index), static_cast<std::uint16_t>(size)},
                         reinterpret_cast<std::uint8_t*>(bytes));
    if (moved == usb_no_device) {
        return failed(-ENODEV, "No such device");
    }
    return moved < 0 ? failed(-EPIPE, "Broken pipe") : moved;
}

LIBUSB0_EXPORT char* usb_strerror() {
    return last_error.data();
}

// The calls of other programmers the client links: no USBasp needs them.
LIBUSB0_EXPORT int usb_set_configuration(handle0*, int) {
    return 0;
}
LIBUSB0_EXPORT int usb_claim_interface(handle0*, int) {
    return 0;
}
LIBUSB0_EXPORT int usb_release_interface(handle0*, int) {
    return 0;
}
LIBUSB0_EXPORT int usb_reset(handle0*) {
    return 0;
}
LIBUSB0_EXPORT int usb_detach_kernel_driver_np(handle0*, int) {
    return 0;
}
LIBUSB0_EXPORT int usb_bulk_write(handle0*, int, const char*, int, int) {
    return failed(-EPIPE, "no bulk endpoint");
}
LIBUSB0_EXPORT int usb_bulk_read(handle0*, int, char*, int, int) {
    return failed(-EPIPE, "no bulk endpoint");
}
LIBUSB0_EXPORT int usb_interrupt_write(handle0*, int, const char*, int, int) {
    return failed(-EPIPE, "no interrupt endpoint");
}
LIBUSB0_EXPORT int usb_interrupt_read(handle0*, int, char*, int, int) {
    return failed(-EPIPE, "no interrupt endpoint");
}
