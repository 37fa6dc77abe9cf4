// Types, constants and function signatures of libftdi1 1.5 as its clients see them.
#pragma once

#include <cstddef>

namespace quarnel::libftdi {

// Opaque libusb objects that appear in some signatures.
struct usb_context;
struct usb_device_handle;
struct usb_device;

// enum ftdi_chip_type
inline constexpr int TYPE_AM = 0;
inline constexpr int TYPE_BM = 1;
inline constexpr int TYPE_2232C = 2;
inline constexpr int TYPE_R = 3;
inline constexpr int TYPE_2232H = 4;
inline constexpr int TYPE_4232H = 5;
inline constexpr int TYPE_232H = 6;
inline constexpr int TYPE_230X = 7;

// enum ftdi_mpsse_mode, the two modes used here.
inline constexpr unsigned char BITMODE_RESET = 0x00;
inline constexpr unsigned char BITMODE_MPSSE = 0x02;
inline constexpr unsigned char BITMODE_SYNCBB = 0x04;

// enum ftdi_interface: A to D are 1 to 4.
inline constexpr int INTERFACE_A = 1;

// enum ftdi_module_detach_mode: detach the kernel's serial driver on open and bind it again
// on close.
inline constexpr int AUTO_DETACH_REATACH_SIO_MODULE = 2;

// The context of 1.5, as far as a client may read or set it. The enums are ints.
struct ftdi_context {
    usb_context* usb_ctx;
    usb_device_handle* usb_dev;
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

// A transfer in flight (ftdi_write_data_submit, ftdi_read_data_submit), and the time-out that
// ftdi_transfer_data_cancel takes (a struct timeval, only ever passed as null here).
struct ftdi_transfer_control;
struct cancel_timeout;

struct ftdi_device_list {
    ftdi_device_list* next;
    usb_device* dev;
};

// Signatures of the calls bound at run time.
using ftdi_new_t = ftdi_context* (*)();
using ftdi_free_t = void (*)(ftdi_context* ftdi);
using ftdi_set_interface_t = int (*)(ftdi_context* ftdi, int interface);
using ftdi_usb_find_all_t = int (*)(ftdi_context* ftdi, ftdi_device_list** list, int vendor,
                                    int product);
using ftdi_list_free_t = void (*)(ftdi_device_list** list);
using ftdi_usb_get_strings_t = int (*)(ftdi_context* ftdi, usb_device* dev, char* manufacturer,
                                       int manufacturer_size, char* description,
                                       int description_size, char* serial, int serial_size);
using ftdi_usb_open_dev_t = int (*)(ftdi_context* ftdi, usb_device* dev);
using ftdi_usb_close_t = int (*)(ftdi_context* ftdi);
using ftdi_set_bitmode_t = int (*)(ftdi_context* ftdi, unsigned char mask, unsigned char mode);
using ftdi_set_latency_timer_t = int (*)(ftdi_context* ftdi, unsigned char latency);
using ftdi_set_baudrate_t = int (*)(ftdi_context* ftdi, int baudrate);
using ftdi_read_data_t = int (*)(ftdi_context* ftdi, unsigned char* buffer, int size);
using ftdi_write_data_t = int (*)(ftdi_context* ftdi, const unsigned char* buffer, int size);
using ftdi_set_chunksize_t = int (*)(ftdi_context* ftdi, unsigned int chunksize);
using ftdi_data_submit_t = ftdi_transfer_control* (*)(ftdi_context* ftdi, unsigned char* buf,
                                                      int size);
using ftdi_transfer_data_done_t = int (*)(ftdi_transfer_control* tc);
using ftdi_transfer_data_cancel_t = void (*)(ftdi_transfer_control* tc, cancel_timeout* to);
using ftdi_flush_t = int (*)(ftdi_context* ftdi);
using ftdi_get_error_string_t = const char* (*)(ftdi_context* ftdi);

} // namespace quarnel::libftdi
