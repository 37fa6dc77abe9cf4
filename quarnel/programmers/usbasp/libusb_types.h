// The part of libusb-1.0's interface this program uses, declared here because the library is
// loaded at run time and its header may be missing (the Windows build has none).
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define QUARNEL_LIBUSB_CALL __stdcall
#else
#define QUARNEL_LIBUSB_CALL
#endif

namespace quarnel::libusb {

struct context;
struct device;
struct device_handle;

struct device_descriptor {
    std::uint8_t bLength;
    std::uint8_t bDescriptorType;
    std::uint16_t bcdUSB;
    std::uint8_t bDeviceClass;
    std::uint8_t bDeviceSubClass;
    std::uint8_t bDeviceProtocol;
    std::uint8_t bMaxPacketSize0;
    std::uint16_t idVendor;
    std::uint16_t idProduct;
    std::uint16_t bcdDevice;
    std::uint8_t iManufacturer;
    std::uint8_t iProduct;
    std::uint8_t iSerialNumber;
    std::uint8_t bNumConfigurations;
};

enum error_code : int {
    ERROR_IO = -1,
    ERROR_ACCESS = -3,
    ERROR_NO_DEVICE = -4,
    ERROR_NOT_FOUND = -5,
    ERROR_TIMEOUT = -7,
    ERROR_PIPE = -9,
};

// Request types of the vendor requests to a device.
inline constexpr std::uint8_t vendor_in = 0xC0;
inline constexpr std::uint8_t vendor_out = 0x40;

using init_t = int(QUARNEL_LIBUSB_CALL*)(context**);
using exit_t = void(QUARNEL_LIBUSB_CALL*)(context*);
using get_device_list_t = long(QUARNEL_LIBUSB_CALL*)(context*, device***);
using free_device_list_t = void(QUARNEL_LIBUSB_CALL*)(device**, int);
using get_device_descriptor_t = int(QUARNEL_LIBUSB_CALL*)(device*, device_descriptor*);
using get_bus_number_t = std::uint8_t(QUARNEL_LIBUSB_CALL*)(device*);
using get_device_address_t = std::uint8_t(QUARNEL_LIBUSB_CALL*)(device*);
using open_t = int(QUARNEL_LIBUSB_CALL*)(device*, device_handle**);
using close_t = void(QUARNEL_LIBUSB_CALL*)(device_handle*);
using get_string_descriptor_ascii_t = int(QUARNEL_LIBUSB_CALL*)(device_handle*, std::uint8_t,
                                                                unsigned char*, int);
using control_transfer_t = int(QUARNEL_LIBUSB_CALL*)(device_handle*, std::uint8_t, std::uint8_t,
                                                     std::uint16_t, std::uint16_t, unsigned char*,
                                                     std::uint16_t, unsigned int);
using error_name_t = const char*(QUARNEL_LIBUSB_CALL*)(int);

} // namespace quarnel::libusb
