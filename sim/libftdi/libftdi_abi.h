// The libftdi context and list records of the ABI this stand-in is built for: libftdi1 1.5
// (libftdi1.so.2) or, with AVRSIM_LIBFTDI_0_20, libftdi 0.20 (libftdi.so.1). Enums are ints.
#pragma once

namespace avrsim::libftdi {

// Opaque to clients: this library's USB device and open-channel records.
struct usb_device;
struct usb_handle;

#if defined(AVRSIM_LIBFTDI_0_20)
struct ftdi_context {
    usb_handle* usb_dev;
    int usb_read_timeout;
    int usb_write_timeout;
    int type;
    int baudrate;
    unsigned char bitbang_enabled;
    unsigned char* readbuffer;
    unsigned int readbuffer_offset;
    unsigned int readbuffer_remaining;
    unsigned int readbuffer_chunksize;
    unsigned int writebuffer_chunksize;
    unsigned int max_packet_size;
    int interface;
    int index;
    int in_ep;
    int out_ep;
    unsigned char bitbang_mode;
    int eeprom_size;
    const char* error_str;
    char* async_usb_buffer;
    unsigned int async_usb_buffer_size;
    int module_detach_mode;
};
#else
struct ftdi_context {
    void* usb_ctx;
    usb_handle* usb_dev;
    int usb_read_timeout;
    int usb_write_timeout;
    int type;
    int baudrate;
    unsigned char bitbang_enabled;
    unsigned char* readbuffer;
    unsigned int readbuffer_offset;
    unsigned int readbuffer_remaining;
    unsigned int readbuffer_chunksize;
    unsigned int writebuffer_chunksize;
    unsigned int max_packet_size;
    int interface;
    int index;
    int in_ep;
    int out_ep;
    unsigned char bitbang_mode;
    void* eeprom;
    const char* error_str;
    int module_detach_mode;
};

// A transfer of ftdi_write_data_submit or ftdi_read_data_submit; `transfer` is libusb's.
struct ftdi_transfer_control {
    int completed;
    unsigned char* buf;
    int size;
    int offset;
    ftdi_context* ftdi;
    void* transfer;
};

struct ftdi_version_info {
    int major;
    int minor;
    int micro;
    const char* version_str;
    const char* snapshot_str;
};
#endif

struct ftdi_device_list {
    ftdi_device_list* next;
    usb_device* dev;
};

// enum ftdi_chip_type
inline constexpr int TYPE_BM = 1;
inline constexpr int TYPE_2232C = 2;
inline constexpr int TYPE_R = 3;
inline constexpr int TYPE_2232H = 4;
inline constexpr int TYPE_4232H = 5;
inline constexpr int TYPE_232H = 6;
inline constexpr int TYPE_230X = 7;

} // namespace avrsim::libftdi
