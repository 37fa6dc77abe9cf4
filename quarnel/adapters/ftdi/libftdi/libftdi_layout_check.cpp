// Built only where libftdi1's header is installed: the context as declared for run-time loading
// must lie exactly as the library lays it out.
#include "quarnel/adapters/ftdi/libftdi/libftdi_types.h"

#include <libftdi1/ftdi.h>

#include <cstddef>

namespace {

using declared = quarnel::libftdi::ftdi_context;
using installed = ::ftdi_context;

// Every field at the library's offset, and the same total size below.
#define SAME_FIELD(field) static_assert(offsetof(declared, field) == offsetof(installed, field))

SAME_FIELD(usb_ctx);
SAME_FIELD(usb_dev);
SAME_FIELD(usb_read_timeout);
SAME_FIELD(usb_write_timeout);
SAME_FIELD(type);
SAME_FIELD(baudrate);
SAME_FIELD(bitbang_enabled);
SAME_FIELD(readbuffer);
SAME_FIELD(readbuffer_offset);
SAME_FIELD(readbuffer_remaining);
SAME_FIELD(readbuffer_chunksize);
SAME_FIELD(writebuffer_chunksize);
SAME_FIELD(max_packet_size);
SAME_FIELD(interface);
SAME_FIELD(index);
SAME_FIELD(in_ep);
SAME_FIELD(out_ep);
SAME_FIELD(bitbang_mode);
SAME_FIELD(eeprom);
SAME_FIELD(error_str);
SAME_FIELD(module_detach_mode);
static_assert(sizeof(declared) == sizeof(installed));
static_assert(sizeof(quarnel::libftdi::ftdi_device_list) == sizeof(::ftdi_device_list));

static_assert(quarnel::libftdi::TYPE_2232C == TYPE_2232C &&
              quarnel::libftdi::TYPE_2232H == TYPE_2232H &&
              quarnel::libftdi::TYPE_4232H == TYPE_4232H &&
              quarnel::libftdi::TYPE_232H == TYPE_232H && quarnel::libftdi::TYPE_230X == TYPE_230X);
static_assert(quarnel::libftdi::INTERFACE_A == INTERFACE_A);
static_assert(quarnel::libftdi::AUTO_DETACH_REATACH_SIO_MODULE == AUTO_DETACH_REATACH_SIO_MODULE);

} // namespace
